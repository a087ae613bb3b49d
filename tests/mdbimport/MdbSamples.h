#pragma once
// The Access sample files and an import of one of them into a fresh root.
#include "mdbimport/ImportMdb.h"

#include <QStringList>
#include <QTemporaryDir>

inline QString accessSample(const QString& name) {
    return QStringLiteral(LIS06C_ACCESS_SAMPLES) + QLatin1Char('/') + name;
}

struct ImportRun {
    QTemporaryDir root;
    int status = -1;
    QStringList said;
    QString storeDb() const { return root.path() + QStringLiteral("/quarn/dati.mdb"); }
    QString chainDb() const { return root.path() + QStringLiteral("/nelv/dati.mdb"); }
    int import(const QString& file, const QString& into = QStringLiteral("store"), bool replace = false) {
        said.clear();
        status = importMdbCommand(root.path(), file, into, replace, [this](const QString& line) { said << line; });
        return status;
    }
    std::string transcript() const { return said.join(QLatin1Char('\n')).toStdString(); }
};
