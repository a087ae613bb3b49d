// The run's output in words: the lines a run's events become, the log folder
// that keeps the newest runs, and the JSON line for other programs.
#include "run/Clock.h"
#include "shell/ConsoleView.h"
#include "shell/JsonSummary.h"
#include "shell/LogFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QStringList linesOf(const QBuffer& buffer) {
    QStringList out = QString::fromUtf8(buffer.data()).split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
}

}  // namespace

TEST(RunOutput, EventsBecomeLinesInWords) {
    const FixedClock clock(QDate(2026, 12, 8), QTime(10, 30, 5));
    QBuffer log;
    log.open(QIODevice::WriteOnly);
    ConsoleView view(clock, true, /*progressSeconds=*/0);
    view.setLogFile(&log);

    view.setCircleRed(Circle::Shape3, true);
    view.setCircleRed(Circle::Shape1, false);
    view.stage(Stage::Catalogo);
    view.setVisible(Bar::ProgressBar2, true);
    for (int v : {0, 150, 200, 210, 399, 20000}) view.setProgress(Bar::ProgressBar2, v);
    view.setText(Box::c3w, QStringLiteral("PASTA"));  // a record's box: not an event
    view.setText(Box::cntw, QStringLiteral("17"));   // the counter, as often as progress
    view.setText(Box::datadw, QStringLiteral("01/12/2026"));
    view.stage(Stage::Documenti);
    view.setText(Box::elaboraw, QStringLiteral("CARICO DOCUMENTO NR. 15  "));
    view.setText(Box::elaboraw, QStringLiteral("CARICO DOCUMENTO NR. 15"));  // the same again: once
    view.message(QStringLiteral("Riga 12 (BLE): campo quantità non numerico\nRiga 14 (BLE): idem"), QString());
    view.stage(Stage::Stampa);
    EXPECT_TRUE(view.ask(QStringLiteral("Attenzione  !!  Vuoi stampare i dati elaborati ?"), QStringLiteral("Stampa")));
    RunSummary s;
    s.articlesUpdated = 3;
    s.documentsReceived = 1;
    s.stockLines = 9;
    s.report = QStringLiteral("/tmp/r.pdf");
    s.stops << QStringLiteral("ATTENZIONE !!! Manca il tipo documento OFFERTE\nseconda riga");
    view.finish(5, &s, 12, 75.4);

    const QStringList expected = {
        "10:30:05 Promozioni: promozioni disattivate (automa, art2)",
        "10:30:05 Catalogo: inizio",
        "10:30:05 Catalogo: 1%",
        "10:30:05 Catalogo: 100%",
        "10:30:05 Catalogo: 17 record elaborati",
        "10:30:05 Catalogo: data dei dati 01/12/2026",
        "10:30:05 Documenti: inizio",
        "10:30:05 Documenti: CARICO DOCUMENTO NR. 15",
        "10:30:05 Documenti: Riga 12 (BLE): campo quantità non numerico",
        "         Riga 14 (BLE): idem",
        "10:30:05 Stampa: inizio",
        "10:30:05 Stampa: Attenzione !! Vuoi stampare i dati elaborati ? Sì",
        "10:30:05 Riepilogo della corsa nr. 12",
        "10:30:05   Articoli: 3 aggiornati, 0 creati; EAN scritti: 0",
        "10:30:05   Documenti: 1 ricevuti, 0 trattenuti, 0 rettificati; righe di magazzino: 9",
        "10:30:05   Promozioni: 0 documenti di offerta, 0 righe",
        "10:30:05   Righe rifiutate: 0",
        "10:30:05   Fase fermata: ATTENZIONE !!! Manca il tipo documento OFFERTE",
        "10:30:05   Rapporto: /tmp/r.pdf",
        "10:30:05 Fine: esito 5, corsa completata, ma qualcosa è stato trattenuto, rifiutato o rettificato, o "
        "una fase si è fermata: leggere il rapporto; durata 1 min 15 s",
    };
    EXPECT_EQ(linesOf(log), expected);
}

TEST(RunOutput, ProgressAtMostOnceInTheInterval) {
    const Clock clock;
    QBuffer log;
    log.open(QIODevice::WriteOnly);
    ConsoleView view(clock, false, /*progressSeconds=*/1);
    view.setLogFile(&log);
    view.stage(Stage::Articoli);
    for (int v = 0; v <= 20000; v += 10) {  // all within the second
        view.setProgress(Bar::ProgressBar2, v);
        view.setText(Box::cntw, QString::number(v));
    }
    EXPECT_EQ(linesOf(log).size(), 1) << log.data().toStdString();
    QThread::msleep(1100);
    view.setProgress(Bar::ProgressBar2, 20000);  // the same position: nothing new to say
    view.setVisible(Bar::ProgressBar2, true);    // a new pass of the stage
    view.setProgress(Bar::ProgressBar2, 5000);
    view.setProgress(Bar::ProgressBar2, 6000);
    view.setText(Box::cntw, QStringLiteral("6000"));  // progress was just shown
    QStringList lines = linesOf(log);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("Articoli: 25%"))) << lines[1].toStdString();
    // A stage whose bar stands still shows its counter instead.
    QThread::msleep(1100);
    view.setText(Box::cntw, QStringLiteral("7000"));
    lines = linesOf(log);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("Articoli: 7000 record elaborati"))) << lines[2].toStdString();
}

TEST(RunOutput, LogFolderKeepsTheNewestRuns) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("nelv/log"));
    QFile other(dir.filePath(QStringLiteral("nelv/log/appunti.txt")));
    QStringList opened;
    for (int i = 0; i < 5; ++i) {
        QString error;
        // Two runs in the same second get names of their own.
        const QDateTime start(QDate(2026, 12, 8), QTime(6, 0, i < 2 ? 0 : i));
        auto file = openRunLog(folder, start, 3, &error);
        ASSERT_TRUE(file) << error.toStdString();
        opened << QFileInfo(file->fileName()).fileName();
        if (i == 0) {
            ASSERT_TRUE(other.open(QIODevice::WriteOnly));
            other.close();
        }
        QThread::msleep(20);  // distinct modification times
    }
    EXPECT_EQ(opened.mid(0, 2), (QStringList{"lis06c-20261208-060000.log", "lis06c-20261208-060000-2.log"}));
    QStringList left = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left, (QStringList{"appunti.txt", opened[2], opened[3], opened[4]}));

    QString error;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_FALSE(openRunLog(blocker.fileName() + QStringLiteral("/log"), QDateTime::currentDateTime(), 3, &error));
    EXPECT_TRUE(error.contains(blocker.fileName())) << error.toStdString();
}

TEST(RunOutput, JsonLineForOtherPrograms) {
    RunSummary s;
    s.articlesUpdated = 1;
    s.articlesCreated = 2;
    s.documentsReceived = 3;
    s.documentsHeldBack = 4;
    s.documentsRevised = 5;
    s.offersCreated = 6;
    s.offerLines = 7;
    s.refusedLines = 8;
    const QByteArray line = jsonSummary({5, 1.23456, &s, 9, QStringLiteral("/log/x.log")});
    EXPECT_FALSE(line.contains('\n'));
    const QJsonObject j = QJsonDocument::fromJson(line).object();
    const std::pair<const char*, double> numbers[] = {
        {"status", 5},          {"seconds", 1.235},        {"run", 9},
        {"articles_updated", 1}, {"articles_created", 2},  {"documents_received", 3},
        {"documents_held_back", 4}, {"documents_revised", 5}, {"offers_created", 6},
        {"offer_lines", 7},     {"refused_lines", 8},
    };
    for (const auto& [key, value] : numbers) EXPECT_EQ(j.value(QLatin1String(key)).toDouble(-1), value) << key;
    EXPECT_TRUE(j.value(QStringLiteral("report")).isNull());
    EXPECT_EQ(j.value(QStringLiteral("log")).toString(), QStringLiteral("/log/x.log"));

    // No run took place (the load stopped it): the counts are there, all zero.
    const QJsonObject none = QJsonDocument::fromJson(jsonSummary({2, 0.1, nullptr, 0, {}})).object();
    EXPECT_EQ(none.value(QStringLiteral("status")).toInt(), 2);
    EXPECT_TRUE(none.value(QStringLiteral("run")).isNull());
    EXPECT_EQ(none.value(QStringLiteral("articles_updated")).toInt(-1), 0);
}
