#pragma once
// A supplier document of the chain's file, as the document list keeps it, and
// the store's goods-receipt header written for it.
#include <QDate>
#include <QString>

struct SupplierDocument {
    qint32 year = 0;
    qint32 number = 0;  // the chain's document number
    QDate date;
    QString type;       // "F" invoice, "B" delivery note
};

// What the header writer hands to the line writer.
struct ReceivedHeader {
    qint32 year = 0;       // the store's document year
    qint32 number = 0;     // the number drawn from the store's series
    QString storeDocType;  // "FATTACQIMM" or "DDTACQ", blank-padded to 12
};
