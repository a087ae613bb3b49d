// Qt's own texts the staff see read in Italian: the message-box buttons and
// the command-line help.
#include "Italian.h"
#include "Program.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(Italian, MessageBoxButtons) {
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    ASSERT_TRUE(loadItalian(app)) << "Qt's Italian translations are missing (qt6-translations-l10n)";
    const std::pair<const char*, const char*> buttons[] = {
        {"&Yes", "&Sì"}, {"&No", "&No"}, {"Cancel", "Annulla"}, {"Close", "Chiudi"}};
    for (const auto& [english, italian] : buttons)
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", english).toStdString(), italian) << english;
}

TEST(Italian, CommandLineHelp) {
    const ProgramResult r = runProgram({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const char* italian : {"Utilizzo:", "Opzioni:", "Mostra l'aiuto sulle opzioni della riga di comando.",
                                "Mostra le informazioni sulla versione."})
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(italian))) << italian << "\n" << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("Displays"))) << r.out.toStdString();
}
