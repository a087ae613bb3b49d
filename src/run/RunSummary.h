#pragma once
// What one run did, counted as the stages go: the summary the operator reads
// at the end, and whether anything was held back, refused or left undone,
// which the exit status reports.
#include <QDate>
#include <QString>
#include <QStringList>

struct RunSummary {
    qint64 articlesUpdated = 0;    // store articles brought up to date from the catalogue
    qint64 articlesCreated = 0;    // store articles created, from the catalogue or from documents
    qint64 eansWritten = 0;        // EAN rows added or brought up to date
    qint64 documentsReceived = 0;  // goods-receipt documents written
    qint64 documentsHeldBack = 0;  // documents left for a corrected file (an unreadable line)
    qint64 documentsRevised = 0;   // documents received before that came again with other lines
    qint64 stockLines = 0;         // document lines that moved stock
    qint64 offersCreated = 0;      // offer documents written
    qint64 offerLines = 0;         // offer lines written
    qint64 refusedLines = 0;       // lines of the chain's file that could not be read
    QString refusedFile;           // where those lines were handed back to the chain, if any
    // Stages that stopped with a message (a missing numbering series or document type).
    QStringList stops;
    QString report;      // where the report went, when it was printed to a file
    QString printer;     // the printer it went to, when it was printed on paper
    QDate reportDay;     // the day the report was printed (its page header's date)
    bool reportFailed = false;  // the report could not be written: the run's data are in, its report is not

    // The chain's file the run read, and the date of its data (dd/mm/yyyy).
    qint64 fileBytes = -1;
    QByteArray fileSha256;  // hexadecimal
    QString dataDati;

    // The run reached its end, but not everything in the file came in.
    bool incomplete() const {
        return documentsHeldBack > 0 || documentsRevised > 0 || refusedLines > 0 || !stops.isEmpty();
    }
};
