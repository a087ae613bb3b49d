#pragma once
// The values that live for the whole program run and that the stages hand on
// to each other. One instance, owned by the Run and passed explicitly.
#include "db/ProcessingLog.h"

#include <QDate>
#include <QString>

// Where the three files of a run are, under the folder that stands for drive C:.
struct Paths {
    QString root;
    QString storeDb() const { return root + QStringLiteral("/quarn/dati.mdb"); }
    QString chainDb() const { return root + QStringLiteral("/nelv/dati.mdb"); }
    QString chainFolder() const { return root + QStringLiteral("/nelv"); }
    QString chainFile() const { return root + QStringLiteral("/nelv/acq_var.txt"); }
};

struct RunContext {
    Paths paths;

    // Configuration read at load time.
    qint32 codfor_affil = 0;  // the chain supplier code
    QString art1, art2, art3;  // stage switches, as text

    // Program-wide working values.
    qint32 storeCode = 0;      // the store article code being handled
    QString currentEan = QString(13, QLatin1Char(' '));
    QString supplierName = QString(45, QLatin1Char(' '));  // chain supplier name, 45 characters
    float progressStep = 0;
    QString dataDati;          // the date of the data, dd/mm/yyyy
    float cosivaCorrente = 0;  // cost with VAT of the current article

    // Document context (supplier documents and promotions).
    qint16 userCode = 1;
    qint32 docYear = 0;
    qint32 docNumber = 0;      // supplier document number
    QDate docDate;
    QString docType;           // "F" or "B"
    qint64 docDateSerial = 0;
    qint32 lineSeq = 0;        // line sequence number (bns)
    QString storeDocType;      // store document type code, 12 characters
    QString seriesCode;        // numbering series code, 2 characters
    qint32 newDocNumber = 0;
    qint32 promoNumber = 0;
    QString promoDescription;
    QDate promoStart;
    QDate promoEnd;

    // The processing log's row under construction.
    db::LogRow log;
};

// The numeric value of a stage switch: an empty or non-numeric text counts as 0.
double switchValue(const QString& text);
