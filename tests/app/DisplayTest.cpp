// Without a display (cron, systemd, ssh) the program runs headless instead of
// aborting on the missing window.
#include "Display.h"
#include "Program.h"
#include "TestRoot.h"

#include <gtest/gtest.h>

TEST(Display, WhatCountsAsADisplay) {
    struct Row {
        const char* name;
        const char* value;
        bool expected;
    };
    const Row rows[] = {
        {nullptr, nullptr, false},
        {"DISPLAY", ":0", true},
        {"DISPLAY", "", false},
        {"WAYLAND_DISPLAY", "wayland-0", true},
        {"QT_QPA_PLATFORM", "offscreen", true},
        {"QT_QPA_PLATFORM", "", false},
        {"HOME", "/root", false},
    };
    for (const Row& row : rows) {
        QProcessEnvironment env;
        if (row.name) env.insert(QString::fromLatin1(row.name), QString::fromLatin1(row.value));
        EXPECT_EQ(displayAvailable(env), row.expected) << (row.name ? row.name : "(empty)") << "=" << (row.value ? row.value : "");
    }
}

TEST(Display, NoDisplayRunsHeadless) {
    const QStringList noDisplay = {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                                   QStringLiteral("QT_QPA_PLATFORM")};
    // The window would wait for a missing chain file; headless reports it and ends.
    for (const auto& [withFile, status] : {std::pair{true, 0}, std::pair{false, 3}}) {
        TestRoot root;
        if (withFile) root.writeChainFile({});
        root.close();
        const ProgramResult r = runProgram({QStringLiteral("--root"), root.root()}, {}, 60000, noDisplay);
        EXPECT_FALSE(r.crashed) << r.err.toStdString();
        EXPECT_EQ(r.exitCode, status) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("nessun display: eseguo senza finestra"))) << r.err.toStdString();
    }
}
