// The report rendered for real into a PDF and read back with pdftotext; and
// where the report goes when there is no printer or the file cannot be written.
#include "ReportFixtures.h"
#include "report/ReportOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

// Fonts need a GUI application (offscreen under the tests).
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "report_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QGuiApplication(argc, argv);
    }
};
[[maybe_unused]] ::testing::Environment* const gui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& path) { return run("pdftotext", {"-layout", path, "-"}); }

TEST(PdfReport, RendersEverySectionAndReadsBack) {
    TestRoot t;
    addLog(t, {.kind = "A", .agg = "P", .desart = "SCONTI NATALE", .numpro = 7, .datain = "2026-12-01",
               .datafi = "2026-12-15"});
    addLog(t, {.kind = "B", .agg = "A", .codafon = "000111", .ean = "8001234567890",
               .desart = "PASTA DI SEMOLA GR 500", .prezpubn = 1234.5, .ivart = "10", .prezpubv = 1.15,
               .desrep = "ALIMENTARI", .numpro = 0});
    for (int i = 0; i < 70; ++i)
        addLog(t, {.kind = "B", .agg = "N", .codafon = QStringLiteral("%1").arg(200000 + i, 6),
                   .ean = "8000000000017", .desart = "ARTICOLO DI PROVA CON UNA DESCRIZIONE LUNGA",
                   .prezpubn = 2.5 + i, .ivart = "22", .desrep = "DROGHERIA", .numpro = i});
    addLog(t, {.kind = "F", .agg = "C", .codafon = "000111", .desart = "PASTA", .prezpubv = 1, .coston = 2,
               .costov = 1.6, .codart = 55});
    addLog(t, {.kind = "P", .agg = "E", .codafon = "123456", .ean = "8000000000001", .desart = "BISCOTTI",
               .prezpubn = 3.99, .ivart = "04", .desrep = "DOLCIUMI", .numpro = 12, .datain = "2026-12-01",
               .datafi = "2026-12-15"});

    ::Run& r = t.run();
    t.config().options.pdfPath = t.root() + "/stampe/report.pdf";  // the folder is made when missing
    printReport(r, "07/12/2026");

    EXPECT_TRUE(t.view.messages.isEmpty()) << t.view.messages.join('\n').toStdString();
    ASSERT_TRUE(QFileInfo::exists(r.config.options.pdfPath));
    const QString copy = qEnvironmentVariable("LIS06C_REPORT_COPY");
    if (!copy.isEmpty()) {
        QFile::remove(copy);
        QFile::copy(r.config.options.pdfPath, copy);
    }

    const QString text = pdfText(r.config.options.pdfPath);
    for (const char* expected :
         {"ELABORAZIONI DIVULGAZIONI NELV", "07/12/2026", "08/12/2026", "PROMOZIONE NR. 7",
          "VALIDA DAL 01/12/2026", "ELABORAZIONI ARTICOLI", "Stato Articolo", "PASTA DI SEMOLA GR 500",
          "1.234,50", "*** NUOVO ARTICOLO", "ELABORAZIONI FATTURE", "=== NUOVO DOCUMENTO CREATO ===",
          "25,00", "ELABORAZIONI PROMOZIONI", "BISCOTTI", "3,99", "Pag. 1", "Pag. 2"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    // The captions appear once per section, never again on later pages.
    EXPECT_EQ(text.count("Codice Nelv"), 3);

    // One header per page, landscape pages.
    const qsizetype pages = text.count('\f');
    EXPECT_GE(pages, 2);
    EXPECT_EQ(text.count("ELABORAZIONI DIVULGAZIONI NELV"), pages);
    EXPECT_TRUE(text.contains(QStringLiteral("Pag. %1").arg(pages)));
    const QString info = run("pdfinfo", {r.config.options.pdfPath});
    EXPECT_TRUE(info.contains("842 x 595 pts (A4)")) << info.toStdString();
}

TEST(PdfReport, WhereTheReportGoesWithoutAPrinter) {
    {
        // A file that cannot be written: the user is told, nothing is thrown.
        TestRoot t;
        QFile blocker(t.root() + "/occupato");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ::Run& r = t.run();
        t.config().options.pdfPath = t.root() + "/occupato/report.pdf";
        printReport(r, QString());
        ASSERT_EQ(t.view.messages.size(), 1);
        EXPECT_TRUE(t.view.messages[0].startsWith("Impossibile scrivere il rapporto"));
        EXPECT_TRUE(t.view.messages[0].contains("occupato"));
    }

    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a printer";
    TestRoot t;
    addLog(t, {.kind = "B", .agg = "A", .codafon = "000111", .desart = "PASTA", .prezpubn = 1234.5});
    ::Run& r = t.run();
    printReport(r, QString());
    const QString expected = t.paths().chainFolder() + "/report-20261208-103000.pdf";
    ASSERT_EQ(t.view.messages.size(), 1);
    EXPECT_TRUE(t.view.messages[0].startsWith("Nessuna stampante disponibile."));
    EXPECT_TRUE(t.view.messages[0].contains(QDir::toNativeSeparators(expected)));
    ASSERT_TRUE(QFileInfo::exists(expected));
    const QString text = pdfText(expected);
    EXPECT_TRUE(text.contains("1.234,50"));
    EXPECT_TRUE(text.contains("Pag. 1"));
}

}  // namespace
