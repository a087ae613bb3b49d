#pragma once
// The store's staff read Italian: Qt's own texts (standard buttons, the
// command-line help) come from Qt's Italian translations.
#include <QCoreApplication>

// Installs Qt's Italian translations on the application. Returns false when
// they are not on this machine (the texts then stay in English).
bool loadItalian(QCoreApplication& app);
