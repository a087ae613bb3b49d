// The one collection of unreadable lines and the three messages the stages
// show from it, byte for byte.
#include "chainfile/LineErrors.h"

#include <gtest/gtest.h>

using namespace chainfile;

namespace {

FieldProblem problem(const rec::Field& f, const char* name, const char* found, bool cut = false) {
    return FieldProblem{&f, QString::fromUtf8(name), QString::fromUtf8(found), cut};
}

TEST(LineErrors, CatalogueMessageNotesFirstColumnsAndTheFirstTwenty) {
    LineErrors errors;
    EXPECT_TRUE(errors.isEmpty());
    errors.addNote("riga 4: byte NUL nel testo");
    EXPECT_FALSE(errors.isEmpty());
    EXPECT_EQ(errors.catalogueMessage(),
              "Attenzione: il file acq_var.txt contiene caratteri non validi:\nriga 4: byte NUL nel testo");

    errors.add(9, "MHE", problem(rec::mhe::price, "prezzo di vendita", "0012", true));
    errors.add(12, "TAB", problem(rec::tab::parent, "codice gruppo", "1X2"));
    EXPECT_EQ(errors.catalogueMessage(),
              "Attenzione: il file acq_var.txt contiene caratteri non validi:\n"
              "riga 4: byte NUL nel testo\n"
              "Attenzione: 2 righe del file acq_var.txt non elaborate (campo non numerico o troncato).\n"
              "riga 9, record MHE, campo prezzo di vendita (colonne 54-65): \"0012\" (riga troncata)\n"
              "riga 12, record TAB, campo codice gruppo (colonne 95-97): \"1X2\"");

    LineErrors many;
    for (int i = 1; i <= 25; ++i) many.add(i, "MDA", problem(rec::articleCode, "codice articolo", "X"));
    const QStringList lines = many.catalogueMessage().split('\n');
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines[0], "Attenzione: 25 righe del file acq_var.txt non elaborate (campo non numerico o troncato).");
    EXPECT_EQ(lines[20], "riga 20, record MDA, campo codice articolo (colonne 47-53): \"X\"");
    EXPECT_EQ(lines[21], "... e altre 5 righe.");
}

TEST(LineErrors, DocumentMessageOneLinePerLineInFileOrderWithItsDocuments) {
    LineErrors errors;
    EXPECT_TRUE(errors.add(13, 102, problem(rec::ble::quantity, "quantità", "00003A000")));
    EXPECT_TRUE(errors.add(4, 7, problem(rec::ble::number, "numero documento", "10O5   ")));
    errors.alsoBelongsTo(4, 8);
    EXPECT_TRUE(errors.add(13, 102, problem(rec::ble::cost, "costo unitario", "0000", true)));
    // The second walk over line 4 adds nothing new.
    EXPECT_FALSE(errors.add(4, 7, problem(rec::ble::number, "numero documento", "10O5   ")));
    EXPECT_EQ(errors.size(), 3);
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
    errors.add(2, "OFD", problem(rec::ofd::number, "numero promozione", "12A45"));
    errors.add(5, "XYZ", problem(rec::gval::value, "valore G", "000", true));
    EXPECT_EQ(errors.promotionMessage(),
              "Attenzione: record promozioni non validi nel file acq_var.txt, non caricati:\n"
              "riga 2, record OFD: campo numero promozione \"12A45\"\n"
              "riga 5, record XYZ: campo valore G \"000\" (riga troncata)");
    for (int i = 10; i < 40; ++i) errors.add(i, "OFT", problem(rec::oft::start, "data inizio", "%1"));
    const QStringList lines = errors.promotionMessage().split('\n');
    ASSERT_EQ(lines.size(), 32);
    EXPECT_EQ(lines[30], "riga 37, record OFT: campo data inizio \"%1\"");
    EXPECT_EQ(lines[31], "... e altri 2");
}

}  // namespace
