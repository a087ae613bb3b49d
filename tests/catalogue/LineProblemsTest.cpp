// The one message that lists the lines of the chain's file not applied.
#include "catalogue/LineProblems.h"

#include <gtest/gtest.h>

TEST(LineProblems, ListsTheFirstTwentyAndCountsAll) {
    LineProblems few;
    EXPECT_TRUE(few.isEmpty());
    few.add(3, "MDA", "codice articolo", "12A");
    EXPECT_EQ(few.message().count('\n'), 1);
    EXPECT_FALSE(few.message().contains("altre"));

    LineProblems many;
    for (int i = 1; i <= 25; ++i) many.add(i, "MHE", "codice articolo", "X");
    EXPECT_EQ(many.size(), 25);
    const QString m = many.message();
    EXPECT_TRUE(m.contains("25 righe"));
    EXPECT_TRUE(m.contains("riga 20,"));
    EXPECT_FALSE(m.contains("riga 21,"));
    EXPECT_TRUE(m.contains("altre 5 righe"));
}

TEST(LineProblems, NotesAloneMakeAMessageAndComeFirst) {
    LineProblems p;
    p.addNote("riga 4: byte NUL nel testo");
    EXPECT_FALSE(p.isEmpty());
    EXPECT_EQ(p.size(), 0);
    EXPECT_FALSE(p.message().contains("non elaborate"));
    p.addCut(9, "MHE", "prezzo di vendita", "0012");
    const QString m = p.message();
    EXPECT_LT(m.indexOf("byte NUL"), m.indexOf("riga 9"));
    EXPECT_TRUE(m.contains("1 righe"));
    EXPECT_TRUE(m.contains("riga 9, record MHE, campo prezzo di vendita: \"0012\" (riga troncata)"));
}
