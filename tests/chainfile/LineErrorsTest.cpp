// The one collection of unreadable lines of a run, the three messages the
// stages show from it (byte for byte), and the count of refused lines.
#include "chainfile/LineErrors.h"

#include <gtest/gtest.h>

using namespace chainfile;
using Stage = LineErrors::Stage;

namespace {

FieldProblem problem(const rec::Field& f, const char* name, const char* found, bool cut = false) {
    return FieldProblem{&f, QString::fromUtf8(name), QString::fromUtf8(found), cut};
}

TEST(LineErrors, CatalogueMessageNotesFirstColumnsAndTheFirstTwenty) {
    LineErrors errors;
    EXPECT_FALSE(errors.any(Stage::Catalogue));
    errors.addNote("riga 4: byte NUL nel testo");
    EXPECT_TRUE(errors.any(Stage::Catalogue));
    EXPECT_EQ(errors.tally(Stage::Catalogue), 0);  // notes refuse no line
    EXPECT_EQ(errors.catalogueMessage(),
              "Attenzione: il file acq_var.txt contiene caratteri non validi:\nriga 4: byte NUL nel testo");

    errors.add(Stage::Catalogue, 9, "MHE", problem(rec::mhe::price, "prezzo di vendita", "0012", true));
    errors.add(Stage::Catalogue, 12, "TAB", problem(rec::tab::parent, "codice gruppo", "1X2"));
    errors.addNotice("Il file acq_var.txt è in UTF-8");
    EXPECT_EQ(errors.catalogueMessage(),
              "Il file acq_var.txt è in UTF-8\n"
              "Attenzione: il file acq_var.txt contiene caratteri non validi:\n"
              "riga 4: byte NUL nel testo\n"
              "Attenzione: 2 righe del file acq_var.txt non elaborate (campo non numerico o troncato).\n"
              "riga 9, record MHE, campo prezzo di vendita (colonne 54-65): \"0012\" (riga troncata)\n"
              "riga 12, record TAB, campo codice gruppo (colonne 95-97): \"1X2\"");

    LineErrors many;
    for (int i = 1; i <= 25; ++i) many.add(Stage::Catalogue, i, "MDA", problem(rec::articleCode, "codice articolo", "X"));
    const QStringList lines = many.catalogueMessage().split('\n');
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines[0], "Attenzione: 25 righe del file acq_var.txt non elaborate (campo non numerico o troncato).");
    EXPECT_EQ(lines[20], "riga 20, record MDA, campo codice articolo (colonne 47-53): \"X\"");
    EXPECT_EQ(lines[21], "... e altre 5 righe.");
    EXPECT_EQ(many.tally(Stage::Catalogue), 25);
}

TEST(LineErrors, DocumentMessageOneLinePerLineInFileOrderWithItsDocuments) {
    LineErrors errors;
    EXPECT_TRUE(errors.add(13, 102, problem(rec::ble::quantity, "quantità", "00003A000")));
    EXPECT_TRUE(errors.add(4, 7, problem(rec::ble::number, "numero documento", "10O5   ")));
    errors.alsoBelongsTo(4, 8);
    EXPECT_TRUE(errors.add(13, 102, problem(rec::ble::cost, "costo unitario", "0000", true)));
    // The second walk over line 4 adds nothing new.
    EXPECT_FALSE(errors.add(4, 7, problem(rec::ble::number, "numero documento", "10O5   ")));
    EXPECT_TRUE(errors.any(Stage::Documents));
    EXPECT_FALSE(errors.any(Stage::Catalogue));
    EXPECT_TRUE(errors.knows(4));
    EXPECT_FALSE(errors.knows(5));
    for (qint32 held : {7, 8, 102}) EXPECT_TRUE(errors.holds(held)) << held;
    EXPECT_FALSE(errors.holds(103));
    EXPECT_EQ(errors.documentMessage(),
              QString::fromUtf8("Attenzione: righe documento (BLE) non valide nel file acq_var.txt. I "
                                "documenti indicati non sono stati caricati; lo saranno con il file corretto.\n"
                                "riga 4, documento 7 o 8: campo numero documento \"10O5   \"\n"
                                "riga 13, documento 102: campo quantità \"00003A000\", "
                                "campo costo unitario \"0000\" (riga troncata)"));
}

TEST(LineErrors, PromotionMessageTheFirstThirtyAndHowManyMore) {
    LineErrors errors;
    errors.add(Stage::Promotions, 2, "OFD", problem(rec::ofd::number, "numero promozione", "12A45"));
    errors.add(Stage::Promotions, 5, "XYZ", problem(rec::gval::value, "valore G", "000", true));
    EXPECT_EQ(errors.promotionMessage(),
              "Attenzione: record promozioni non validi nel file acq_var.txt, non caricati:\n"
              "riga 2, record OFD: campo numero promozione \"12A45\"\n"
              "riga 5, record XYZ: campo valore G \"000\" (riga troncata)");
    for (int i = 10; i < 40; ++i) errors.add(Stage::Promotions, i, "OFT", problem(rec::oft::start, "data inizio", "%1"));
    const QStringList lines = errors.promotionMessage().split('\n');
    ASSERT_EQ(lines.size(), 32);
    EXPECT_EQ(lines[30], "riga 37, record OFT: campo data inizio \"%1\"");
    EXPECT_EQ(lines[31], "... e altri 2");
}

// One collection serves the whole run: each stage's message holds its own
// lines only, and a line refused by two stages (an "MDA" line marked "G" with
// a bad code and a bad value) counts once, with the stage that met it first.
TEST(LineErrors, EachStageShowsItsOwnLinesAndALineCountsOnce) {
    LineErrors errors;
    errors.add(Stage::Catalogue, 3, "MDA", problem(rec::articleCode, "codice articolo", "G00012X"));
    errors.add(Stage::Catalogue, 5, "MHE", problem(rec::mhe::price, "prezzo di vendita", "X"));
    EXPECT_EQ(errors.tally(Stage::Catalogue), 2);
    EXPECT_EQ(errors.tally(Stage::Catalogue), 0);  // counted already

    errors.add(9, 101, problem(rec::ble::quantity, "quantità", "X"));
    errors.add(9, 101, problem(rec::ble::cost, "costo unitario", "Y"));
    errors.add(Stage::Promotions, 3, "MDA", problem(rec::gval::value, "valore G", "0X"));
    errors.add(Stage::Promotions, 12, "OFD", problem(rec::ofd::value, "valore", "Z"));
    EXPECT_EQ(errors.tally(Stage::Documents), 1);
    EXPECT_EQ(errors.tally(Stage::Promotions), 1);

    EXPECT_FALSE(errors.catalogueMessage().contains("riga 9"));
    EXPECT_FALSE(errors.catalogueMessage().contains("valore"));
    EXPECT_FALSE(errors.documentMessage().contains("riga 3"));
    EXPECT_FALSE(errors.promotionMessage().contains("riga 5"));
    EXPECT_TRUE(errors.promotionMessage().contains("riga 3, record MDA: campo valore G \"0X\""));
}

// Only the lines a message lists are kept: a file of bad lines costs no
// memory per line, and the counts stay exact.
TEST(LineErrors, ManyBadLinesAreCountedNotKept) {
    LineErrors errors;
    for (int i = 1; i <= 100000; ++i) errors.add(Stage::Promotions, i, "OFD", problem(rec::ofd::value, "valore", "X"));
    const QStringList lines = errors.promotionMessage().split('\n');
    ASSERT_EQ(lines.size(), 32);
    EXPECT_EQ(lines.last(), "... e altri 99970");
    EXPECT_EQ(errors.tally(Stage::Promotions), 100000);
}

}  // namespace
