#pragma once
// Every file under a folder with its SHA-256, to prove that a folder was left
// byte for byte as it was: one line per file, "relative/path hex-digest",
// sorted by path.
#include <QString>
#include <QStringList>

QStringList fileDigests(const QString& folder);
