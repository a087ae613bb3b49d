#include "report/stampa.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "report/testap.h"
#include "run/Run.h"

#include <algorithm>

namespace report {

namespace {

constexpr int pageBottom = 440;  // a line whose top reaches this goes on a new page
// Room a section heading needs below the current position: its title, its
// captions and one line, so that a heading is never left alone at the foot
// of a page (nor drawn past it).
constexpr int headingRoom = 50;

QString text(const db::Query& q, const char* field) { return q.text(field); }

// A number as stored ("1,5"), empty when Null.
QString stored(const db::Query& q, const char* field) {
    return q.isNull(field) ? QString() : common::displayNumber(q.number(field));
}

// "###,##0.00", empty when Null.
QString amount(const db::Query& q, const char* field) {
    return q.isNull(field) ? QString() : common::formatAmount(q.number(field));
}

// "#####0", empty when Null.
QString wholeNumber(const db::Query& q, const char* field) {
    return q.isNull(field) ? QString() : common::formatWhole(q.number(field));
}

// The change from the old value to the new one in per cent; empty when either
// is missing or the old one is 0 (no base to compare with).
QString difference(const db::Query& q, const char* newField, const char* oldField) {
    if (q.isNull(newField) || q.isNull(oldField)) return {};
    const common::Amount oldValue = q.amount(oldField);
    if (oldValue.isZero()) return {};
    return common::formatAmount(common::percentage(q.amount(newField) - oldValue, oldValue, 2));
}

// A stored ISO date as dd/mm/yyyy; empty for Null and for the zero date that
// stands for "no date" in the log; any other text as it is.
QString date(const db::Query& q, const char* field) {
    if (q.isNull(field)) return {};
    const QDate d = common::dateFromDb(q.value(field));
    if (!d.isValid()) return q.text(field);
    if (d == common::zeroDate()) return {};
    return common::ddmmyyyy(d);
}

// The cells of one line, laid from x = 10 rightwards, each text 2 units
// right of its cell's left edge (or `indent`) and 2 below the band's top.
// A text too wide for its cell would be overprinted by the next one: the
// next text then starts just after it instead, so that both stay readable.
class Cells {
public:
    explicit Cells(ReportState& r) : r_(r) { r_.X2 = 10; }
    void cell(int width, const QString& text, int indent = 2) {
        static constexpr double gap = 3;
        r_.X1 = r_.X2;
        r_.X2 = r_.X1 + width;
        double x = r_.X1 + indent;
        if (!text.isEmpty() && textEnd_ + gap > x) x = textEnd_ + gap;
        r_.printer.setCurrentX(x);
        r_.printer.setCurrentY(r_.Y + 2);
        r_.printer.print(text, Line::Continue);
        if (!text.isEmpty()) textEnd_ = r_.printer.currentX();
    }

private:
    ReportState& r_;
    double textEnd_ = 0;
};

// Starts a line 10 units below the current position, on a new page (under
// its page header) when it would reach the foot of the page.
void startLine(ReportState& r) {
    Printer& p = r.printer;
    r.Y = whole(p.currentY() + 10);
    r.X1 = 10;
    if (r.Y >= pageBottom) {
        p.newPage();
        testap(r);
        // Under the header's boxes (Y2), never touching their bottom line.
        r.Y = std::max(whole(p.currentY() + 5), r.Y2 + 3);
    }
    p.setCurrentX(r.X1);
    p.setCurrentY(r.Y);
}

void sectionHeading(ReportState& r, void (*heading)(ReportState&)) {
    if (r.printer.currentY() + headingRoom >= pageBottom) {
        r.printer.newPage();
        testap(r);
    }
    heading(r);
}

void titleLine(ReportState& r, const db::Query& q) {
    const QString tipoagg = text(q, "tipoagg");
    const QString numpro = q.isNull("numpro") ? QString() : QString::number(q.whole("numpro"));
    Cells cells(r);
    if (tipoagg == QLatin1String("P")) {
        cells.cell(80, QStringLiteral("PROMOZIONE NR. ") + numpro);
        cells.cell(130, text(q, "desart"));
        cells.cell(70, QStringLiteral("VALIDA DAL ") + date(q, "datain"));
        cells.cell(40, QStringLiteral("AL ") + date(q, "datafi"));
    } else if (tipoagg == QLatin1String("F")) {
        cells.cell(80, QStringLiteral("DOCUMENTO NR. ") + numpro);
        cells.cell(130, text(q, "desart"));
        cells.cell(70, QStringLiteral(" DEL ") + date(q, "datain"));
        cells.cell(40, QStringLiteral("TIPO DOC : ") + text(q, "codafon"));
    } else if (tipoagg == QLatin1String("R")) {
        // A document received before that came again with other lines.
        cells.cell(80, QStringLiteral("DOCUMENTO NR. ") + numpro);
        cells.cell(130, text(q, "desart"));
        cells.cell(70, QStringLiteral(" DEL ") + date(q, "datain"));
        cells.cell(40, QStringLiteral("GIA' CARICATO, ARRIVATO CON RIGHE DIVERSE: NON RICARICATO, CONTROLLARE"));
    }
}

// The first ten cells, the same on promotion and article lines.
void codesPricesAndNumber(Cells& cells, const db::Query& q) {
    cells.cell(45, text(q, "codafon"));
    cells.cell(60, text(q, "ean"));
    cells.cell(195, text(q, "desart"));
    cells.cell(40, amount(q, "prezpubn"), 5);
    cells.cell(15, text(q, "ivart"));
    cells.cell(25, stored(q, "rica"));
    cells.cell(35, stored(q, "prezpubv"));
    cells.cell(25, QString());
    cells.cell(80, text(q, "desrep"));
    cells.cell(35, wholeNumber(q, "numpro"));
}

void promotionLine(ReportState& r, const db::Query& q) {
    Cells cells(r);
    codesPricesAndNumber(cells, q);
    cells.cell(40, date(q, "datain"));
    cells.cell(40, date(q, "datafi"));
}

void invoiceLine(ReportState& r, const db::Query& q) {
    const QString tipoagg = text(q, "tipoagg");
    Cells cells(r);
    cells.cell(45, text(q, "codafon"));
    cells.cell(60, text(q, "ean"));
    cells.cell(195, text(q, "desart"));
    cells.cell(40,
               tipoagg == QLatin1String("C") ? QStringLiteral("=== NUOVO DOCUMENTO CREATO ===")
                                             : amount(q, "prezpubn"),
               5);
    cells.cell(15, text(q, "ivart"));
    cells.cell(35, amount(q, "prezpubv"));
    cells.cell(25, difference(q, "prezpubn", "prezpubv"));
    cells.cell(35, amount(q, "coston"));
    cells.cell(35, amount(q, "costov"));
    cells.cell(25, difference(q, "coston", "costov"));
    cells.cell(35, q.isNull("codart") ? QString() : QString::number(q.whole("codart")));
    cells.cell(40, tipoagg == QLatin1String("N") ? QStringLiteral("NUOVO ARTICOLO")
                                                 : QStringLiteral("ARTICOLO AGGIORNATO"));
}

void articleLine(ReportState& r, const db::Query& q) {
    const QString tipoagg = text(q, "tipoagg");
    Cells cells(r);
    codesPricesAndNumber(cells, q);
    QString state;
    if (tipoagg == QLatin1String("A")) state = QStringLiteral("ARTICOLO AGGIORNATO");
    else if (tipoagg == QLatin1String("N")) state = QStringLiteral("*** NUOVO ARTICOLO");
    cells.cell(80, state);
}

}  // namespace

void stampa(const Run& run, Printer& printer, const QString& dataDati) {
    stampa(run.store, LogRows{}, printer, common::ddmmyyyy(run.clock.today()), dataDati, run.config.options.trial);
}

void stampa(db::Database& store, const LogRows& source, Printer& printer, const QString& today,
            const QString& dataDati, bool trial) {
    ReportState r{printer, today, dataDati, trial};

    printer.setLandscape();
    printer.setScale(650, 450);
    printer.setFontName(QStringLiteral("MS Sans Serif"));
    printer.setFontSize(8);
    printer.setFontBold(false);
    testap(r);

    bool promotionsHeading = false;
    bool invoicesHeading = false;
    bool articlesHeading = false;

    // Within one kind the rows keep the order in which the run logged them
    // (the history copies a run's rows in that order).
    db::Query rows = source.pastRun == 0
                         ? store.prepare(QStringLiteral(
                               "SELECT * FROM variatidivulgazioni ORDER BY tipoelaborazione, tipoagg, rowid"))
                         : store.prepare(QStringLiteral("SELECT * FROM lis06c_storico_variatidivulgazioni "
                                                        "WHERE esecuzione = ? ORDER BY tipoelaborazione, tipoagg, rowid"));
    if (source.pastRun == 0) rows.exec();
    else rows.exec({source.pastRun});
    while (rows.next()) {
        const QString kind = rows.text("tipoelaborazione");
        if (kind == QLatin1String("A")) {
            startLine(r);
            titleLine(r, rows);
        }
        if (kind == QLatin1String("P") && !promotionsHeading) {
            sectionHeading(r, testapp);
            promotionsHeading = true;
        }
        if (kind == QLatin1String("F") && !invoicesHeading) {
            sectionHeading(r, testapf);
            invoicesHeading = true;
        }
        if (kind == QLatin1String("B") && !articlesHeading) {
            sectionHeading(r, testapA);
            articlesHeading = true;
        }
        if (kind == QLatin1String("P")) {
            startLine(r);
            promotionLine(r, rows);
        } else if (kind == QLatin1String("F")) {
            startLine(r);
            invoiceLine(r, rows);
        } else if (kind == QLatin1String("B")) {
            startLine(r);
            articleLine(r, rows);
        }
    }
    printer.endDoc();
}

}  // namespace report
