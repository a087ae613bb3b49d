// The printed report of the processing log, drawn on a recording printer:
// what is printed where, page by page.
#include "RecordingPrinter.h"
#include "ReportFixtures.h"
#include "report/stampa.h"

#include <gtest/gtest.h>

namespace {

using report::stampa;

// With 8-unit lines: the page header leaves the position at 38, a section
// heading's captions stand at 63..80 and its first line's texts at 85; lines
// follow every 12 units.
constexpr double firstLineText = 85;

TEST(Stampa, PageHeaderOnAnEmptyLog) {
    for (const QString& dataDati : {QStringLiteral("07/12/2026"), QString()}) {
        SCOPED_TRACE(dataDati.toStdString());
        TestRoot t;
        RecordingPrinter p;
        stampa(t.run(), p, dataDati);

        EXPECT_TRUE(p.landscape);
        EXPECT_EQ(p.scaleWidth, 650);
        EXPECT_EQ(p.scaleHeight, 450);
        EXPECT_EQ(p.page, 1);
        EXPECT_EQ(p.ended, 1);

        // Four boxes side by side from 10 to 640, drawn with the thick line.
        ASSERT_EQ(p.boxes.size(), 4);
        const double edges[] = {10, 150, 425, 555, 640};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(p.boxes[i].x1, edges[i]);
            EXPECT_EQ(p.boxes[i].x2, edges[i + 1]);
            EXPECT_EQ(p.boxes[i].y1, 25);
            EXPECT_EQ(p.boxes[i].y2, 45);
            EXPECT_EQ(p.boxes[i].lineWidth, 3);
        }

        EXPECT_EQ(p.at(1, 25, 30), "08/12/2026");
        EXPECT_EQ(p.at(1, 175, 30), "ELABORAZIONI DIVULGAZIONI NELV  DEL ");
        EXPECT_EQ(p.at(1, 605, 30), "Pag. 1");
        const DrawnText* title = p.find("ELABORAZIONI DIVULGAZIONI NELV  DEL ");
        ASSERT_TRUE(title);
        EXPECT_EQ(title->size, 14);
        EXPECT_TRUE(title->bold);
        if (dataDati.isEmpty()) {
            // Box 3 stays empty; nothing else is printed in its place.
            EXPECT_EQ(p.texts.size(), 3);
            EXPECT_EQ(p.at(1, 475, 30), "");
        } else {
            EXPECT_EQ(p.texts.size(), 4);
            EXPECT_EQ(p.at(1, 475, 30), "07/12/2026");
        }
        // What the header leaves behind: size 8, not bold, thin line.
        EXPECT_EQ(p.size, 8);
        EXPECT_FALSE(p.bold);
        EXPECT_EQ(p.lineWidth, 1);
    }
}

TEST(Stampa, ArticleAndPromotionLinesCellByCell) {
    TestRoot t;
    addLog(t, {.kind = "P", .agg = "E", .codafon = "123456", .ean = "8000000000001", .desart = "BISCOTTI",
               .prezpubn = 1234.5, .ivart = "04", .rica = 30, .prezpubv = 1.5, .desrep = "DOLCIUMI",
               .numpro = 12, .datain = "2026-12-01", .datafi = "1899-12-30"});
    addLog(t, {.kind = "B", .agg = "A", .codafon = "000111", .ean = "8001234567890", .desart = "PASTA",
               .prezpubn = 1.2, .ivart = "10", .prezpubv = 0.95, .numpro = 0});
    addLog(t, {.kind = "B", .agg = "N", .codafon = "000222", .desart = "RISO", .prezpubn = 2});
    addLog(t, {.kind = "B", .agg = "Z", .codafon = "000333", .desart = "SALE"});
    RecordingPrinter p;
    stampa(t.run(), p, QString());

    // Articles come before promotions; each heading once, bold at x = 210.
    const QStringList all = p.allTexts();
    const auto articles = all.indexOf("ELABORAZIONI ARTICOLI");
    const auto promotions = all.indexOf("ELABORAZIONI PROMOZIONI");
    ASSERT_GE(articles, 0);
    ASSERT_GT(promotions, articles);
    EXPECT_LT(all.indexOf("PASTA"), promotions);
    EXPECT_GT(all.indexOf("BISCOTTI"), promotions);
    EXPECT_EQ(all.count("Codice Nelv"), 2);
    EXPECT_FALSE(all.contains("ELABORAZIONI FATTURE"));
    const DrawnText* heading = p.find("ELABORAZIONI ARTICOLI");
    EXPECT_EQ(heading->x, 210);
    EXPECT_EQ(heading->y, 48);
    EXPECT_TRUE(heading->bold);

    // The article captions: boxes from 10 to 640 under the title.
    QList<DrawnBox> captions;
    for (const DrawnBox& b : p.boxes)
        if (b.y1 == 63) captions.append(b);
    ASSERT_EQ(captions.size(), 11);
    EXPECT_EQ(captions.first().x1, 10);
    EXPECT_EQ(captions.last().x2, 640);
    EXPECT_EQ(captions.last().y2, 80);
    EXPECT_EQ(p.at(1, 562, 65), "Stato Articolo");
    EXPECT_EQ(p.at(1, 112, 65), " Descrizione");

    const double y1 = firstLineText;
    EXPECT_EQ(p.at(1, 12, y1), "000111");
    EXPECT_EQ(p.at(1, 57, y1), "8001234567890");
    EXPECT_EQ(p.at(1, 117, y1), "PASTA");
    EXPECT_EQ(p.at(1, 315, y1), "1,20");
    EXPECT_EQ(p.at(1, 352, y1), "10");
    EXPECT_EQ(p.at(1, 392, y1), "0,95");
    EXPECT_EQ(p.at(1, 532, y1), "0");
    EXPECT_EQ(p.at(1, 567, y1), "ARTICOLO AGGIORNATO");
    EXPECT_FALSE(p.find("DOLCIUMI")->bold);

    // Missing values leave their cells empty; a new article is flagged.
    const auto second = p.lineAt(1, y1 + 12);
    ASSERT_EQ(second.size(), 4);
    EXPECT_EQ(p.at(1, 315, y1 + 12), "2,00");
    EXPECT_EQ(p.at(1, 567, y1 + 12), "*** NUOVO ARTICOLO");
    // A kind of update the report does not know: no status.
    EXPECT_EQ(p.lineAt(1, y1 + 24).size(), 2);

    // The promotion line under its own heading.
    const DrawnText* code = p.find("123456");
    ASSERT_TRUE(code);
    const double y = code->y;
    EXPECT_EQ(code->x, 12);
    EXPECT_EQ(p.at(1, 315, y), "1.234,50");
    EXPECT_EQ(p.at(1, 352, y), "04");
    EXPECT_EQ(p.at(1, 367, y), "30");
    EXPECT_EQ(p.at(1, 392, y), "1,5");
    EXPECT_EQ(p.at(1, 452, y), "DOLCIUMI");
    EXPECT_EQ(p.at(1, 532, y), "12");
    EXPECT_EQ(p.at(1, 567, y), "01/12/2026");
    EXPECT_EQ(p.at(1, 607, y), "");  // the zero date stands for no date
}

TEST(Stampa, InvoiceLinesAndTheirDifferences) {
    TestRoot t;
    addLog(t, {.kind = "F", .agg = "A", .codafon = "100", .prezpubn = 11, .prezpubv = 10, .coston = 5,
               .costov = 4, .codart = 55});
    addLog(t, {.kind = "F", .agg = "C", .codafon = "200", .prezpubn = 2, .prezpubv = 0, .coston = 3});
    addLog(t, {.kind = "F", .agg = "N", .codafon = "300", .prezpubn = 1, .coston = 1, .costov = 0});
    RecordingPrinter p;
    stampa(t.run(), p, QString());

    ASSERT_TRUE(p.find("ELABORAZIONI FATTURE"));
    // The invoice captions end at 630.
    EXPECT_EQ(p.boxes.last().x2, 630);
    EXPECT_EQ(p.boxes.size(), 4 + 12);
    EXPECT_EQ(p.at(1, 552, 65), "Stato ");

    const double a = firstLineText, c = a + 12, n = a + 24;
    EXPECT_EQ(p.at(1, 12, a), "100");
    EXPECT_EQ(p.at(1, 315, a), "11,00");
    EXPECT_EQ(p.at(1, 367, a), "10,00");
    EXPECT_EQ(p.at(1, 402, a), "10,00");
    EXPECT_EQ(p.at(1, 427, a), "5,00");
    EXPECT_EQ(p.at(1, 462, a), "4,00");
    EXPECT_EQ(p.at(1, 497, a), "25,00");
    EXPECT_EQ(p.at(1, 522, a), "55");
    EXPECT_EQ(p.at(1, 557, a), "ARTICOLO AGGIORNATO");

    // A new document: its banner in place of the new price; old price 0 and
    // old cost Null give no difference.
    // The banner is wider than its cell: the texts it would cover (old
    // price, new cost) follow it instead of being printed over it.
    EXPECT_EQ(p.at(1, 315, c), "=== NUOVO DOCUMENTO CREATO ===");  // 120 units wide here
    EXPECT_EQ(p.at(1, 438, c), "0,00");
    EXPECT_EQ(p.at(1, 457, c), "3,00");
    EXPECT_EQ(p.at(1, 557, c), "ARTICOLO AGGIORNATO");
    // Old price 0 and old cost Null: no differences, nothing else on the line.
    EXPECT_EQ(p.lineAt(1, c).size(), 5);

    // Old price Null and old cost 0: both differences empty.
    EXPECT_EQ(p.at(1, 367, n), "");
    EXPECT_EQ(p.at(1, 402, n), "");
    EXPECT_EQ(p.at(1, 462, n), "0,00");
    EXPECT_EQ(p.at(1, 497, n), "");
    EXPECT_EQ(p.at(1, 557, n), "NUOVO ARTICOLO");
}

TEST(Stampa, TitleLinesOfDocumentsAndPromotions) {
    TestRoot t;
    addLog(t, {.kind = "A", .agg = "F", .codafon = "F", .desart = "FORNITURA NELV", .numpro = 15,
               .datain = "2026-12-08"});
    addLog(t, {.kind = "A", .agg = "P", .desart = "SCONTI NATALE", .numpro = 7, .datain = "2026-12-01",
               .datafi = "2026-12-15"});
    addLog(t, {.kind = "A", .agg = "X", .desart = "NON STAMPATO", .numpro = 9});
    addLog(t, {.kind = "B", .agg = "A", .codafon = "000111", .desart = "PASTA"});
    // A document received before that came again with other lines.
    addLog(t, {.kind = "A", .agg = "R", .desart = "FORNITURA NELV", .numpro = 16, .datain = "2026-12-07"});

    RecordingPrinter p;
    stampa(t.run(), p, QString());
    EXPECT_EQ(p.at(1, 12, 50), "DOCUMENTO NR. 15");
    EXPECT_EQ(p.at(1, 92, 50), "FORNITURA NELV");
    EXPECT_EQ(p.at(1, 222, 50), " DEL 08/12/2026");
    EXPECT_EQ(p.at(1, 292, 50), "TIPO DOC : F");
    EXPECT_EQ(p.at(1, 12, 62), "PROMOZIONE NR. 7");
    EXPECT_EQ(p.at(1, 92, 62), "SCONTI NATALE");
    EXPECT_EQ(p.at(1, 222, 62), "VALIDA DAL 01/12/2026");
    // "VALIDA DAL ..." runs past its cell: the end date follows it.
    EXPECT_EQ(p.at(1, 309, 62), "AL 15/12/2026");
    EXPECT_EQ(p.at(1, 12, 74), "DOCUMENTO NR. 16");
    EXPECT_EQ(p.at(1, 92, 74), "FORNITURA NELV");
    EXPECT_EQ(p.at(1, 222, 74), " DEL 07/12/2026");
    EXPECT_EQ(p.at(1, 292, 74), "GIA' CARICATO, ARRIVATO CON RIGHE DIVERSE: NON RICARICATO, CONTROLLARE");
    // Titles come before the sections.
    EXPECT_LT(p.allTexts().indexOf("AL 15/12/2026"), p.allTexts().indexOf("ELABORAZIONI ARTICOLI"));

    // A title row of another kind prints nothing and only advances the line.
    EXPECT_FALSE(p.find("NON STAMPATO"));
    EXPECT_FALSE(p.find("PROMOZIONE NR. 9"));
    const double headingWith = p.find("ELABORAZIONI ARTICOLI")->y;

    t.exec(t.store(), "DELETE FROM variatidivulgazioni WHERE tipoagg = 'X'");
    RecordingPrinter without;
    stampa(t.run(), without, QString());
    EXPECT_EQ(without.texts.size(), p.texts.size());
    EXPECT_EQ(headingWith - without.find("ELABORAZIONI ARTICOLI")->y, 10);
}

TEST(Stampa, PageBreaksRepeatTheHeaderNotTheCaptions) {
    TestRoot t;
    for (int i = 0; i < 69; ++i)
        addLog(t, {.kind = "B", .agg = "A", .codafon = QStringLiteral("A%1").arg(i), .desart = "ARTICOLO"});
    RecordingPrinter p;
    stampa(t.run(), p, QString());

    ASSERT_EQ(p.page, 3);
    EXPECT_EQ(p.ended, 1);
    const QStringList all = p.allTexts();
    EXPECT_EQ(all.count("Codice Nelv"), 1);
    EXPECT_EQ(all.count("ELABORAZIONI ARTICOLI"), 1);
    EXPECT_EQ(all.count("ELABORAZIONI DIVULGAZIONI NELV  DEL "), 3);
    for (int page = 1; page <= 3; ++page) {
        EXPECT_EQ(p.at(page, 605, 30), QStringLiteral("Pag. %1").arg(page));
        EXPECT_EQ(p.at(page, 25, 30), "08/12/2026");
    }

    // Every line once, in the log's order; lines start above 440 and whole
    // texts stay on the page.
    int next = 0;
    int perPage[4] = {};
    for (const DrawnText& d : p.texts) {
        EXPECT_LE(d.y + RecordingPrinter::line, 450) << d.text.toStdString();
        if (d.x != 12 || !d.text.startsWith('A')) continue;
        EXPECT_EQ(d.text, QStringLiteral("A%1").arg(next)) << "page " << d.page;
        EXPECT_LT(d.y - 2, 440);
        ++next;
        ++perPage[d.page];
    }
    EXPECT_EQ(next, 69);
    // Page 1 from 85 to 433; further pages just under the header's boxes
    // (which end at 45), from 50 to 434.
    EXPECT_EQ(perPage[1], 30);
    EXPECT_EQ(perPage[2], 33);
    EXPECT_EQ(perPage[3], 6);
    EXPECT_EQ(p.at(2, 12, 50), "A30");
    EXPECT_EQ(p.at(2, 12, 434), "A62");
    EXPECT_EQ(p.at(3, 12, 50), "A63");
}

TEST(Stampa, SectionHeadingNeverLeftAtTheFootOfAPage) {
    TestRoot t;
    // 33 title lines fill page 1 down to 434: the article heading and its
    // captions would run past the page's foot, so they open page 2.
    for (int i = 0; i < 33; ++i)
        addLog(t, {.kind = "A", .agg = "P", .desart = QStringLiteral("PROMO %1").arg(i), .numpro = i});
    addLog(t, {.kind = "B", .agg = "A", .codafon = "000111", .desart = "PASTA"});
    RecordingPrinter p;
    stampa(t.run(), p, QString());

    ASSERT_EQ(p.page, 2);
    EXPECT_EQ(p.at(1, 92, 434), "PROMO 32");
    const DrawnText* heading = p.find("ELABORAZIONI ARTICOLI");
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->page, 2);
    EXPECT_EQ(heading->y, 48);
    EXPECT_EQ(p.at(2, 117, firstLineText), "PASTA");
    EXPECT_EQ(p.at(2, 605, 30), "Pag. 2");
}

}  // namespace
