#include "report/testap.h"

#include "run/RunConfig.h"

#include <cmath>
#include <initializer_list>

namespace report {

namespace {

struct Caption {
    const char* text;
    int width;
};

void moveTo(Printer& p, int x, int y) {
    p.setCurrentX(x);
    p.setCurrentY(y);
}

// The bold title of a section, then its row of boxed captions laid from x = 10.
void sectionHeading(ReportState& r, const QString& title, std::initializer_list<Caption> captions) {
    Printer& p = r.printer;
    r.Y = whole(p.currentY() + 5);
    r.Y2 = r.Y + 20;
    r.X1 = 10;
    r.X2 = 350;
    p.setFontBold(true);
    moveTo(p, r.X1 + 200, r.Y + 5);
    p.print(title, Line::Continue);
    r.X1 = 350;
    r.X2 = 640;
    moveTo(p, r.X1 + 5, r.Y + 5);
    p.print(QString());

    p.setFontBold(false);
    p.setCurrentX(10);
    p.setFontSize(8);
    p.setFontBold(true);

    r.Y = whole(p.currentY() + 7);
    r.Y2 = r.Y + 17;
    r.X2 = 10;
    for (const Caption& c : captions) {
        r.X1 = r.X2;
        r.X2 = r.X1 + c.width;
        p.rectangle(r.X1, r.Y, r.X2, r.Y2);
        moveTo(p, r.X1 + 2, r.Y + 2);
        p.print(QString::fromUtf8(c.text), Line::Continue);
    }
    p.print(QString());
    p.setFontBold(false);
    p.setLineWidth(1);
}

}  // namespace

int whole(double units) { return static_cast<int>(std::nearbyint(units)); }

void testap(ReportState& r) {
    Printer& p = r.printer;
    ++r.pagina;
    p.setLineWidth(3);
    moveTo(p, 10, 20);
    r.Y = whole(p.currentY() + 5);
    r.Y2 = r.Y + 20;

    // Box 1: the printing day.
    r.X1 = 10;
    r.X2 = 150;
    p.rectangle(r.X1, r.Y, r.X2, r.Y2);
    moveTo(p, r.X1 + 15, r.Y + 5);
    p.print(r.today);
    p.setFontSize(8);
    p.setFontBold(false);
    p.setFontName(QStringLiteral("MS Sans Serif"));

    // Box 2: the title.
    r.X1 = 150;
    r.X2 = r.X1 + 275;
    p.rectangle(r.X1, r.Y, r.X2, r.Y2);
    moveTo(p, r.X1 + 25, r.Y + 5);
    p.setFontSize(14);
    p.setFontBold(true);
    p.print(QStringLiteral("ELABORAZIONI DIVULGAZIONI NELV  DEL "));

    // Box 3: the date of the data (empty when the chain's file gave none).
    r.X1 = 425;
    r.X2 = r.X1 + 130;
    p.rectangle(r.X1, r.Y, r.X2, r.Y2);
    moveTo(p, r.X1 + 50, r.Y + 5);
    p.setFontSize(14);
    p.print(r.dataDati);

    // Box 4: the page number.
    r.X1 = 555;
    r.X2 = r.X1 + 85;
    p.rectangle(r.X1, r.Y, r.X2, r.Y2);
    moveTo(p, r.X1 + 50, r.Y + 5);
    p.setFontSize(8);
    p.print(QStringLiteral("Pag. %1").arg(r.pagina));

    // Above the boxes, so that no page of a trial can pass for a real run's.
    // The header's lines go on from where the page number left them.
    if (r.trial) {
        const double x = p.currentX(), y = p.currentY();
        p.setFontSize(10);
        p.setFontBold(true);
        moveTo(p, 10, r.Y - 14);
        p.print(kTrialMark);
        p.setCurrentX(x);
        p.setCurrentY(y);
    }

    p.setFontSize(8);
    p.setFontBold(false);
    p.setLineWidth(1);
}

void testapp(ReportState& r) {
    sectionHeading(r, QStringLiteral("ELABORAZIONI PROMOZIONI"),
                   {{"Codice Nelv", 45}, {"Codice Ean", 55}, {" Descrizione", 195}, {"Prz.Pro.", 40},
                    {"Iva", 15}, {"Ric.", 25}, {"Prezzo V.", 35}, {"Marg.", 25}, {"Stato", 80},
                    {"Nr.Pro.", 35}, {"Dalla Data", 40}, {"Alla Data", 40}});
}

void testapf(ReportState& r) {
    sectionHeading(r, QStringLiteral("ELABORAZIONI FATTURE"),
                   {{"Codice Nelv", 45}, {"Codice Ean", 55}, {" Descrizione", 195}, {"Prezzo N.", 40},
                    {"Iva", 15}, {"Prezzo V.", 35}, {"Diff.", 25}, {"Costo N.", 35}, {"Costo V.", 35},
                    {"Diff.", 25}, {"Cod.Art.", 35}, {"Stato ", 80}});
}

void testapA(ReportState& r) {
    sectionHeading(r, QStringLiteral("ELABORAZIONI ARTICOLI"),
                   {{"Codice Nelv", 45}, {"Codice Ean", 55}, {" Descrizione", 195}, {"Prezzo N.", 40},
                    {"Iva", 15}, {"Ric.", 25}, {"Prezzo V.", 35}, {"Marg.", 25}, {"Reparto", 80},
                    {"Nr.Doc.", 35}, {"Stato Articolo", 80}});
}

}  // namespace report
