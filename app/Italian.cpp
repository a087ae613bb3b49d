#include "Italian.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Texts of Qt's that its Italian translation still leaves in English; asked
// only after Qt's own translation, so a newer one takes over.
class MissingTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        static const struct {
            const char* context;
            const char* source;
            const char* italian;
        } texts[] = {
            {"QCommandLineParser", "Displays help on commandline options.",
             "Mostra l'aiuto sulle opzioni della riga di comando."},
            {"QCommandLineParser", "Displays help including Qt specific options.",
             "Mostra l'aiuto con anche le opzioni proprie di Qt."},
        };
        for (const auto& t : texts)
            if (qstrcmp(context, t.context) == 0 && qstrcmp(source, t.source) == 0) return QString::fromUtf8(t.italian);
        return {};
    }
};

}  // namespace

bool loadItalian(QCoreApplication& app) {
    // Translators are asked from the last installed back to the first.
    QCoreApplication::installTranslator(new MissingTexts(&app));
    // qtbase holds the texts of QtCore, QtGui and QtWidgets: the buttons of
    // the message boxes and the help of the command line.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
