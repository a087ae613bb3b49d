#include "generator/Generator.h"

#include "common/ChainRecords.h"
#include "common/Cp1252.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/Database.h"
#include "run/Startup.h"

#include <QFile>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

namespace gen {

Sizes Sizes::storeSize() {
    Sizes s;
    s.articles = 30000;
    s.newArticles = 3000;
    s.storeArticles = 30000;
    s.documents = 200;
    s.linesPerDocument = 50;
    s.promotions = 300;
    s.ofdLines = 20000;
    return s;
}

Sizes Sizes::scaled(double factor) const {
    auto times = [factor](int n) { return std::max(1, static_cast<int>(std::lround(n * factor))); };
    Sizes s = *this;
    s.articles = times(articles);
    s.newArticles = std::min(times(newArticles), s.articles);
    s.storeArticles = times(storeArticles);
    s.documents = times(documents);
    s.promotions = times(promotions);
    s.ofdLines = times(ofdLines);
    return s;
}

QString Summary::describe() const {
    return QStringLiteral(
               "%1 lines: TAB %2, MDA %3, MHA %4, MHE %5, MHN %6, BLE %7, OFT %8, OFD %9, G values %10; "
               "store: %11 articles, %12 EANs; chain database: %13 articles, %14 EANs")
        .arg(lines).arg(tab).arg(mda).arg(mha).arg(mhe).arg(mhn).arg(ble).arg(oft).arg(ofd).arg(gValues)
        .arg(storeArticles).arg(storeEans).arg(chainArticles).arg(chainEans);
}

namespace {

using common::zeroPad;

// One fixed-position line of the chain's file, blank-filled.
class Line {
public:
    Line(const char* kind, const QDate& date, qint64 sequence) : bytes_(kWidth, ' ') {
        put(1, 10, zeroPad(sequence % 10000000000LL, 10).toLatin1());
        put(rec::kind, kind);
        put(rec::dateYmd, date.toString(QStringLiteral("yyyyMMdd")).toLatin1());
    }
    void put(int pos, int len, QByteArrayView value) {
        for (int i = 0; i < len; ++i) bytes_[pos - 1 + i] = i < value.size() ? value[i] : ' ';
    }
    void put(const rec::Field& f, QByteArrayView value) { put(f.pos, f.len, value); }
    void text(const rec::Field& f, const QString& value) { put(f, common::toCp1252(value.left(f.len))); }
    void num(const rec::Field& f, qint64 value) { put(f, zeroPad(value, f.len).toLatin1()); }
    // A right-aligned number without leading zeros, as some of the chain's fields come.
    void numBlank(const rec::Field& f, qint64 value) {
        put(f, QString::number(value).rightJustified(f.len, QLatin1Char(' ')).toLatin1());
    }
    // The line without trailing blanks beyond `end` (records end at their last field).
    QByteArray bytes(int end) const { return bytes_.left(end); }

private:
    static constexpr int kWidth = 270;
    QByteArray bytes_;
};

// The chain's file, written as it is built: Windows-1252, CR LF.
class FileWriter {
public:
    explicit FileWriter(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error(("cannot write " + path).toStdString());
    }
    void add(const QByteArray& line) {
        buffer_ += line;
        buffer_ += "\r\n";
        ++lines_;
        if (buffer_.size() > (1 << 20)) flush();
    }
    void flush() {
        if (file_.write(buffer_) != buffer_.size())
            throw std::runtime_error(("cannot write " + file_.fileName()).toStdString());
        buffer_.clear();
    }
    qint64 lines() const { return lines_; }
    qint64 nextSequence() const { return lines_ + 1; }

private:
    QFile file_;
    QByteArray buffer_;
    qint64 lines_ = 0;
};

struct Department {
    int code;
    QString name;
};
struct Group {
    int code;
    int department;
    QString name;
    bool excluded;
    bool storeHasIt = true;
    bool chainHasIt = true;
};
struct Subgroup {
    int code;
    int group;
    QString name;
    bool storeHasIt = true;
    bool chainHasIt = true;
};

struct Article {
    qint32 chainCode = 0;
    qint32 storeCode = 0;  // 0: the store does not know it
    QString description;
    QString umart, umconf;
    int pezzatura = 0;  // 0: blank in the file
    int subgroup = 0;
    QString vat;
    int imbart = 1;
    int tipart = 1;
    double price = 0;       // the chain's new selling price
    double storePrice = 0;  // what the store sells it for today
    double cost = 0;        // the chain's cost
    QStringList eans;       // 13 digits, as the store files them
    QList<QByteArray> fileEans;  // as the chain writes them in the file
    bool onlyListi02 = false;
    bool tipgesD = false;
    bool inChainDb = true;
    bool inFile = true;
};

const char* const kProducts[] = {
    "PASTA DI SEMOLA", "CAFFÈ MACINATO", "OLIO EXTRAVERGINE", "TÈ VERDE", "BABÀ AL RUM",
    "TONNO ALL'OLIO", "PASSATA DI POMODORO", "RISO CARNAROLI", "FARINA 00", "BISCOTTI FROLLINI",
    "LATTE UHT", "MOZZARELLA", "GRANA PADANO", "PROSCIUTTO COTTO", "CIOCCOLATO FONDENTE",
    "ACQUA MINERALE", "SUCCO DI FRUTTA", "YOGURT INTERO", "GNOCCHI DI PATATE", "CAFFÈ D'ORZO",
    "PURÈ DI PATATE", "MIELE MILLEFIORI", "ZUCCHERO SEMOLATO", "SALE MARINO", "VINO ROSSO",
    "BIRRA CHIARA", "DETERSIVO PIATTI", "CARTA IGIENICA", "SAPONE LIQUIDO", "ARANCIATA",
};
const char* const kBrands[] = {
    "BONTÀ", "L'ANTICA", "QUALITÀ", "CASA D'ORO", "VIRTÙ", "DELL'ORTO", "SAPORI", "NELV",
    "GIÙ AL SUD", "PERCHÉ NO", "L'ARTIGIANO", "FELICITÀ",
};

struct Pack {
    const char* umart;
    const char* umconf;
    int pezzatura;
    const char* label;
};
const Pack kPacks[] = {
    {"PZ", "GR", 500, "500G"},  {"PZ", "GR", 250, "250G"}, {"PZ", "GR", 1000, "1KG"},
    {"PZ", "CL", 75, "75CL"},   {"PZ", "CL", 150, "1,5L"}, {"KG", "KG", 1, "AL KG"},
    {"PZ", "LT", 1, "1L"},      {"CT", "CT", 6, "CT 6"},   {"  ", "  ", 0, ""},
    {"PZ", "PZ", 4, "4PZ"},
};

class Builder {
public:
    Builder(const Sizes& sizes, const Paths& paths)
        : s_(sizes), paths_(paths), rng_(sizes.seed),
          today_(sizes.today.isValid() ? sizes.today : QDate::currentDate()),
          supplierText_(zeroPad(sizes.supplierCode, 6)) {}

    Summary run();

private:
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    template <class T, size_t N>
    const T& pick(const T (&list)[N]) { return list[uniform(0, N - 1)]; }

    QString ean13(int prefix, qint64 serial);
    void planClassification();
    void planArticles();
    Article makeArticle(qint32 chainCode, int index);
    void fillStore(db::Database& store);
    void fillChain(db::Database& chain);
    void writeFile();
    void writeCatalogue(FileWriter& out);
    void writeDocuments(FileWriter& out);
    void writePromotions(FileWriter& out);
    const Subgroup& subgroupOf(const Article& a) const;
    const Group& groupOf(int code) const;

    Sizes s_;
    Paths paths_;
    std::mt19937 rng_;
    QDate today_;
    QString supplierText_;
    QString supplierName_ = QStringLiteral("NELV DISTRIBUZIONE S.P.A.");
    qint64 eanSerial_ = 0;

    std::vector<Department> departments_;
    std::vector<Group> groups_;
    std::vector<Subgroup> subgroups_;
    std::vector<Article> articles_;       // in the file; shared ones first, new ones last
    std::vector<Article> storeOnly_;      // the store's own articles from other suppliers
    std::vector<Article> chainOnly_;      // in the chain database only (promotions the store cannot match)
    std::vector<Article> documentOnly_;   // met first in a supplier document
    Summary sum_;
};

QString Builder::ean13(int prefix, qint64 serial) {
    // prefix digits followed by the serial, then the check digit.
    QString body = QString::number(prefix) + zeroPad(serial, 12 - QString::number(prefix).size());
    int total = 0;
    for (int i = 0; i < 12; ++i) total += (body[i].unicode() - '0') * (i % 2 ? 3 : 1);
    return body + QString::number((10 - total % 10) % 10);
}

void Builder::planClassification() {
    const char* const depts[] = {"ALIMENTARI", "BEVANDE", "FRESCHI", "SURGELATI",
                                 "CURA CASA", "CURA PERSONA", "ORTOFRUTTA", "EDICOLA"};
    const char* const groupNames[] = {"PASTA E RISO", "CONSERVE", "DOLCI E CAFFÈ", "OLI E ACETI",
                                      "ACQUE", "VINI E BIRRE", "LATTICINI", "SALUMI"};
    for (int d = 0; d < 8; ++d) departments_.push_back({d + 1, QString::fromUtf8(depts[d])});
    for (int d = 1; d <= 8; ++d) {
        for (int g = 1; g <= 4; ++g) {
            Group group{d * 100 + g, d, QString(), false};
            group.name = QString::fromUtf8(groupNames[(d * 4 + g) % 8]) + QStringLiteral(" ") + QString::number(g);
            if (d == 8 && g == 1) {
                group.name = QStringLiteral("GIORNALI E RIVISTE");
                group.excluded = true;
            }
            groups_.push_back(group);
            for (int sg = 1; sg <= 3; ++sg) {
                Subgroup sub{group.code * 100 + sg, group.code, group.name.left(14) + QStringLiteral(" SOTTO ") +
                                                                     QString::number(sg)};
                subgroups_.push_back(sub);
            }
        }
    }
    // The file brings a group and a subgroup that the store does not have
    // yet, and a few rows that the chain database has lost.
    groups_.back().storeHasIt = false;
    groups_.back().chainHasIt = false;
    subgroups_.back().storeHasIt = false;
    subgroups_[5].chainHasIt = false;
    subgroups_[7].storeHasIt = false;
}

const Group& Builder::groupOf(int code) const {
    for (const Group& g : groups_)
        if (g.code == code) return g;
    return groups_.front();
}

const Subgroup& Builder::subgroupOf(const Article& a) const {
    for (const Subgroup& sg : subgroups_)
        if (sg.code == a.subgroup) return sg;
    return subgroups_.front();
}

Article Builder::makeArticle(qint32 chainCode, int index) {
    Article a;
    a.chainCode = chainCode;
    const Pack& pack = pick(kPacks);
    const QString product = QString::fromUtf8(pick(kProducts));
    const QString brand = QString::fromUtf8(pick(kBrands));
    const QString label = QString::fromUtf8(pack.label);
    a.description = (product + QLatin1Char(' ') + brand + QLatin1Char(' ') + label).simplified();
    if (a.description.size() > 30) a.description = (product + QLatin1Char(' ') + label).simplified().left(30);
    a.umart = QLatin1String(pack.umart);
    a.umconf = QLatin1String(pack.umconf);
    a.pezzatura = pack.pezzatura;
    // Three in a hundred articles fall in the group the store keeps its own
    // prices for. The rarer cases follow the index, so that even a small root has them.
    if (index % 30 == 11) {
        for (const Subgroup& sg : subgroups_)
            if (groupOf(sg.group).excluded) { a.subgroup = sg.code; break; }
    } else {
        do {
            a.subgroup = subgroups_[uniform(0, int(subgroups_.size()) - 1)].code;
        } while (groupOf(a.subgroup / 100).excluded);
    }
    static const char* const vats[] = {"04", "10", "22", "22"};
    a.vat = QLatin1String(pick(vats));
    static const int packages[] = {1, 1, 6, 12, 24};
    a.imbart = pick(packages);
    a.tipart = chance(0.1) ? 2 : 1;
    const int cents = uniform(4, 199) * 10 + 9;  // prices end in 9
    a.price = cents / 100.0;
    const double vatRate = a.vat.toInt() / 100.0;
    a.cost = std::round(a.price / (1 + vatRate) / (1.2 + uniform(0, 25) / 100.0) * 1000) / 1000;
    a.storePrice = chance(0.3) ? (cents + uniform(-3, 5) * 10 + (cents < 100 ? 50 : 0)) / 100.0 : a.price;
    if (a.storePrice <= 0) a.storePrice = a.price + 0.5;

    // One to three EANs; weighed goods carry an in-store code beginning with 2,
    // and some small packs an EAN-8 that the chain writes without leading zeros.
    const int count = chance(0.6) ? 1 : (chance(0.75) ? 2 : 3);
    for (int i = 0; i < count; ++i) {
        const qint64 serial = ++eanSerial_;
        if (a.umart == QLatin1String("KG") && i == 0) {
            const QString e = ean13(2, serial);
            a.eans << e;
            a.fileEans << e.toLatin1();
        } else if (serial % 12 == 3) {
            // EAN-8: seven digits and a check digit.
            QString body = QStringLiteral("9") + zeroPad(serial % 1000000, 6);
            int total = 0;
            for (int k = 0; k < 7; ++k) total += (body[k].unicode() - '0') * (k % 2 ? 1 : 3);
            body += QString::number((10 - total % 10) % 10);
            a.eans << zeroPad(body.toLongLong(), 13);
            a.fileEans << body.toLatin1();
        } else {
            const QString e = ean13(80, serial);
            a.eans << e;
            a.fileEans << e.toLatin1();
        }
    }
    return a;
}

void Builder::planArticles() {
    const int shared = std::max(0, s_.articles - s_.newArticles);
    qint32 storeCode = 1000;
    for (int i = 0; i < s_.articles; ++i) {
        Article a = makeArticle(1000001 + i, i);
        if (i < shared) {
            a.storeCode = ++storeCode;
            a.onlyListi02 = i % 12 == 5;
            a.tipgesD = i % 20 == 7;
        } else {
            a.inChainDb = false;
        }
        articles_.push_back(a);
    }
    // The store's articles from other suppliers, never in the chain's file.
    for (int i = shared; i < s_.storeArticles; ++i) {
        Article a = makeArticle(0, i);
        a.storeCode = ++storeCode;
        a.inChainDb = false;
        a.inFile = false;
        storeOnly_.push_back(a);
    }
    // Articles the chain's database knows but neither the file nor the store.
    for (int i = 0; i < std::max(2, s_.promotions / 20); ++i) {
        Article a = makeArticle(4000001 + i, i + 1);
        a.inFile = false;
        chainOnly_.push_back(a);
    }
    // Articles that arrive with a supplier document before the catalogue has them.
    for (int i = 0; i < std::max(3, s_.documents * s_.linesPerDocument / 25); ++i) {
        Article a = makeArticle(3000001 + i, i + 1);
        a.inFile = false;
        a.inChainDb = false;
        documentOnly_.push_back(a);
    }
}

void Builder::fillStore(db::Database& store) {
    db::Query has = store.prepare(QStringLiteral("SELECT count(*) FROM utenti"));
    if (has.first() && has.value(0).toLongLong() > 0)
        throw std::runtime_error("the store database already holds data; generate into an empty root");
    has.finish();

    db::Transaction tx(store);
    auto insert = [&store](const char* sql, std::initializer_list<QVariant> values) {
        store.prepare(QString::fromUtf8(sql)).exec(values);
    };
    const QString supplier = supplierName_;
    insert("INSERT INTO utenti (codutente, codfor_affil) VALUES (?, ?)", {1, s_.supplierCode});
    insert("INSERT INTO automa (codice, art1, art2, art3) VALUES (?, ?, ?, ?)", {2, "0", "0", "0"});
    db::Query forn = store.prepare(QStringLiteral("INSERT INTO fornitori (codfornitore, dscfornitore) VALUES (?, ?)"));
    forn.exec({s_.supplierCode, supplier});
    forn.exec({55, QStringLiteral("CASEIFICIO DELL'ALPE S.R.L.")});
    forn.exec({77, QStringLiteral("FORNITURE GIÙ S.N.C.")});
    insert("INSERT INTO fistini (codlis, dsclistino, datval) VALUES (?, ?, ?)",
           {supplierText_, supplier, common::dateValue(today_.addDays(-30))});

    db::Query tipodoc = store.prepare(QStringLiteral(
        "INSERT INTO tipodoc (coddoc, posi, numeratore, dscdoc, maga) VALUES (?, ?, ?, ?, ?)"));
    tipodoc.exec({"FATTVEN", "V", "FV", "FATTURA DI VENDITA", "S"});
    tipodoc.exec({"FATTACQIMM", "A", "FA", "FATTURA ACQUISTO IMMEDIATA", "S"});
    tipodoc.exec({"DDTACQ", "A", "DD", "DDT DI ACQUISTO", "S"});
    tipodoc.exec({"OFFERTE", "O", "OP", "OFFERTE PROMOZIONALI", "N"});
    db::Query numeri = store.prepare(QStringLiteral(
        "INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (?, ?, ?, ?)"));
    for (int year : {today_.year() - 1, today_.year()}) {
        const bool past = year < today_.year();
        numeri.exec({1, "FV", year, past ? 918 : 305});
        numeri.exec({1, "FA", year, past ? 212 : 41});
        numeri.exec({1, "DD", year, past ? 377 : 86});
        numeri.exec({1, "OP", year, past ? 52 : 7});
    }
    db::Query unitam = store.prepare(QStringLiteral("INSERT INTO unitam (coduni, fatxmul, umrife) VALUES (?, ?, ?)"));
    unitam.exec({"KG", "1", "KG"});
    unitam.exec({"GR", "1000", "KG"});
    unitam.exec({"LT", "1", "LT"});
    unitam.exec({"CL", "100", "LT"});
    unitam.exec({"ML", "1000", "LT"});
    unitam.exec({"PZ", "1", "PZ"});
    db::Query offtab = store.prepare(QStringLiteral(
        "INSERT INTO offtab (codice, descrizione, sconto, valore, soglia, omaggio, puntif, scoval, soloclienti, "
        "sogliav) VALUES (?, ?, ?, 0, 0, 0, 0, 0, 0, 0)"));
    offtab.exec({1, "TAGLIO PREZZO", 0});
    offtab.exec({2, "SCONTO 20%", 20});

    db::Query rep = store.prepare(QStringLiteral("INSERT INTO reparti (reparto, descrizione) VALUES (?, ?)"));
    for (const Department& d : departments_) rep.exec({d.code, d.name});
    db::Query gru = store.prepare(QStringLiteral(
        "INSERT INTO gruppi (codgru, dscgruppo, codrep, escgruppo) VALUES (?, ?, ?, ?)"));
    for (const Group& g : groups_)
        if (g.storeHasIt) gru.exec({g.code, g.name, QString::number(g.department), g.excluded ? 1 : 0});
    db::Query sot = store.prepare(QStringLiteral("INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (?, ?, ?)"));
    for (const Subgroup& sg : subgroups_)
        if (sg.storeHasIt) sot.exec({sg.code, sg.name, sg.group});

    db::Query l01 = store.prepare(QStringLiteral(
        "INSERT INTO listi01 (codart, desart, descas, codafo, codfor, desfor, umart, imbart, ivart, tipart, "
        "codgru, desgru, codsot, dessot, codrep, desrep, przpub, przart, przsal, cobart, cofart, cosiva, marg, "
        "ricart, scarto, traspo, tipges, qgia, valgia, cosmp, qacq, qultcar, sc1art, sc2art, sc3art, scomag, "
        "datreg, datagg) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?, ?, 0, 0, 0, 0, 0, ' ', ?, ?)"));
    db::Query l02 = store.prepare(QStringLiteral(
        "INSERT INTO listi02 (codart, codlis, codafo, desart, cobart, cofart, ivart, umart, desfor, dsclistino, "
        "codfor, datval, datreg) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    db::Query ean = store.prepare(QStringLiteral(
        "INSERT INTO codean (eanare, codare, desart, desfor, codafo, aggi, pezzix, prezzo, prezzox, neti, "
        "primasecon, flagean, sta_eti, eacq, egia, dataagg) VALUES (?, ?, ?, ?, ?, 'A', 1, ?, ?, 1, ?, 'S', ' ', "
        "0, 0, ?)"));
    const QVariant registered = common::dateValue(today_.addDays(-400));

    auto addStoreArticle = [&](const Article& a, bool fromChain) {
        const Subgroup& sg = subgroupOf(a);
        const Group& g = groupOf(sg.group);
        const QString chainCode = fromChain ? zeroPad(a.chainCode, 9) : QString();
        const QString codafo = fromChain ? (a.onlyListi02 ? QString() : chainCode)
                                         : QStringLiteral("F%1").arg(a.storeCode, 6, 10, QLatin1Char('0'));
        const qint32 codfor = fromChain ? (a.onlyListi02 ? 0 : s_.supplierCode) : (a.storeCode % 2 ? 55 : 77);
        const double cost = a.cost;
        const double cosiva = common::toSingle(cost * (1 + a.vat.toInt() / 100.0));
        const double marg = common::roundHalfEven((a.storePrice - cosiva) / a.storePrice * 100, 2);
        const double ricart = common::roundHalfEven((a.storePrice - cosiva) / cosiva * 100, 2);
        int qgia = uniform(0, 48);
        if (chance(0.05)) qgia = -uniform(1, 6);
        const double valgia = qgia > 0 ? common::roundHalfEven(qgia * cost, 2) : 0;
        const double przsal = chance(0.04) ? common::roundHalfEven(a.storePrice * 0.8, 2) : 0;
        l01.exec({a.storeCode, a.description, a.description.left(30), codafo, codfor,
                  fromChain ? supplierName_ : QStringLiteral("CASEIFICIO DELL'ALPE S.R.L."),
                  a.umart.trimmed().isEmpty() ? QStringLiteral("PZ") : a.umart, a.imbart, a.vat, a.tipart,
                  g.code, g.name.left(20), sg.code, sg.name.left(20), g.department,
                  departments_[g.department - 1].name, common::toSingle(a.storePrice), cost, przsal, cost, cost,
                  cosiva, marg, ricart, chance(0.1) ? 2 : 0, chance(0.1) ? 1 : 0,
                  a.tipgesD ? QStringLiteral("D") : QStringLiteral("M"), qgia, valgia, cost, registered,
                  registered});
        if (fromChain) {
            l02.exec({a.storeCode, supplierText_, chainCode, a.description, cost, cost, a.vat, a.umart,
                      supplierName_, supplierName_, s_.supplierCode, registered, registered});
        }
        for (int i = 0; i < a.eans.size(); ++i) {
            ean.exec({a.eans[i], a.storeCode, a.description, supplierName_.left(35), codafo,
                      common::toSingle(a.storePrice), common::toSingle(a.storePrice),
                      i == 0 ? QStringLiteral("P") : QStringLiteral("S"), registered});
            ++sum_.storeEans;
        }
        ++sum_.storeArticles;
    };
    for (const Article& a : articles_)
        if (a.storeCode != 0) addStoreArticle(a, true);
    for (const Article& a : storeOnly_) addStoreArticle(a, false);
    tx.commit();
}

void Builder::fillChain(db::Database& chain) {
    db::Transaction tx(chain);
    chain.exec(QStringLiteral("INSERT INTO listini (codlis, note, datafine) VALUES (?, ?, ?)"),
               {"01", common::dateValue(today_.addDays(-7)), common::dateValue(today_)});
    chain.exec(QStringLiteral("INSERT INTO clienti (codcliente, dataagg, flagagg, codfat) VALUES (?, ?, ?, ?)"),
               {0, common::dateValue(today_.addDays(-7)), "N", 0});
    db::Query rep = chain.prepare(QStringLiteral("INSERT INTO reparti (codrep, descrizione) VALUES (?, ?)"));
    for (const Department& d : departments_) rep.exec({zeroPad(d.code, 3), d.name});
    db::Query gru = chain.prepare(QStringLiteral("INSERT INTO gruppi (codice, descrizione, reparto) VALUES (?, ?, ?)"));
    for (const Group& g : groups_)
        if (g.chainHasIt) gru.exec({g.code, g.name, zeroPad(g.department, 3)});
    db::Query sot = chain.prepare(QStringLiteral("INSERT INTO sottogruppi (codsot, descrizione, codgru) VALUES (?, ?, ?)"));
    for (const Subgroup& sg : subgroups_)
        if (sg.chainHasIt) sot.exec({sg.code, sg.name, sg.group});

    db::Query art = chain.prepare(QStringLiteral(
        "INSERT INTO articolo (codart, desart, przart, Przpub, ivart, imbart, tipges, tipart, umart, umconf, "
        "pezzatura, codgru, desgru, codsot, dessot, codrep, desrep, ea1art, artvariato, datagg, ora) "
        "VALUES (?, ?, ?, ?, ?, ?, 'M', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '.', '', ?, '08:00:00')"));
    db::Query ean = chain.prepare(QStringLiteral("INSERT INTO codean (codare, eanare) VALUES (?, ?)"));
    const QVariant updated = common::dateValue(today_.addDays(-7));
    auto add = [&](const Article& a) {
        const Subgroup& sg = subgroupOf(a);
        const Group& g = groupOf(sg.group);
        art.exec({a.chainCode, a.description, a.cost, common::toSingle(a.storePrice), a.vat, a.imbart, a.tipart,
                  a.umart.trimmed().isEmpty() ? QStringLiteral("PZ") : a.umart,
                  a.umconf.trimmed().isEmpty() ? QStringLiteral("PZ") : a.umconf,
                  a.pezzatura > 0 ? QVariant(a.pezzatura) : QVariant(), g.code, g.name.left(20), sg.code,
                  sg.name.left(20), g.department, departments_[g.department - 1].name, updated});
        ++sum_.chainArticles;
        for (const QString& e : a.eans) {
            ean.exec({a.chainCode, e});
            ++sum_.chainEans;
        }
    };
    for (const Article& a : articles_)
        if (a.inChainDb) add(a);
    for (const Article& a : chainOnly_) add(a);
    tx.commit();
}

void Builder::writeCatalogue(FileWriter& out) {
    // Classification: departments, then groups, then subgroups.
    auto tab = [&](const char* kind, const QByteArray& code, const QString& name, const QByteArray& parent) {
        Line l("TAB", today_, out.nextSequence());
        l.put(rec::tab::table, "0127");
        l.put(rec::tab::code, code);
        l.text(rec::tab::description, name);
        l.put(rec::tab::tableKind, kind);
        l.put(rec::tab::parent, parent);
        out.add(l.bytes(rec::tab::parent.pos + rec::tab::parent.len - 1));
        ++sum_.tab;
    };
    for (const Department& d : departments_) tab("03", zeroPad(d.code, 3).toLatin1(), d.name, "");
    for (const Group& g : groups_)
        tab("02", zeroPad(g.code, 6).toLatin1(), g.name, zeroPad(g.department, 3).toLatin1());
    for (const Subgroup& sg : subgroups_)
        tab("01", zeroPad(sg.code, 6).toLatin1(), sg.name, zeroPad(sg.group, 3).toLatin1());
    // A table of another number, which the store ignores.
    {
        Line l("TAB", today_, out.nextSequence());
        l.put(rec::tab::table, "0044");
        l.put(rec::tab::code, "000001");
        l.text(rec::tab::description, QStringLiteral("CAUSALI DI RESO"));
        l.put(rec::tab::tableKind, "01");
        out.add(l.bytes(97));
        ++sum_.tab;
    }

    for (Article& a : articles_) {
        Line mda("MDA", today_, out.nextSequence());
        mda.num(rec::articleCode, a.chainCode);
        mda.text(rec::mda::description, a.description);
        mda.text(rec::mda::umart, a.umart);
        mda.text(rec::mda::umconf, a.umconf);
        if (a.pezzatura > 0) mda.num(rec::mda::pezzatura, a.pezzatura);
        mda.num(rec::mda::subgroup, a.subgroup);
        mda.num(rec::mda::tipart, a.tipart);
        mda.put(rec::mda::vat, a.vat.toLatin1());
        if (a.imbart > 1 || chance(0.5)) mda.num(rec::mda::imbart, a.imbart);
        out.add(mda.bytes(rec::mda::imbart.pos + rec::mda::imbart.len - 1));
        ++sum_.mda;

        // A shared article now and then gains an EAN the store has not seen.
        if (a.storeCode != 0 && chance(0.04)) {
            const QString e = ean13(80, ++eanSerial_);
            a.eans << e;
            a.fileEans << e.toLatin1();
        }
        for (const QByteArray& e : a.fileEans) {
            Line mha("MHA", today_, out.nextSequence());
            mha.num(rec::articleCode, a.chainCode);
            mha.put(rec::mha::ean, e);
            out.add(mha.bytes(rec::mha::ean.pos + rec::mha::ean.len - 1));
            ++sum_.mha;
        }
        Line mhe("MHE", today_, out.nextSequence());
        mhe.num(rec::articleCode, a.chainCode);
        mhe.num(rec::mhe::price, std::llround(a.price * 1000));
        mhe.num(rec::mhe::unused, 0);
        out.add(mhe.bytes(rec::mhe::unused.pos + rec::mhe::unused.len - 1));
        ++sum_.mhe;
        Line mhn("MHN", today_, out.nextSequence());
        mhn.num(rec::articleCode, a.chainCode);
        mhn.num(rec::mhn::cost, std::llround(a.cost * 1000));
        out.add(mhn.bytes(rec::mhn::cost.pos + rec::mhn::cost.len - 1));
        ++sum_.mhn;
    }
}

void Builder::writeDocuments(FileWriter& out) {
    const int lastDay = std::max(1, today_.dayOfYear() - 1);
    std::vector<int> offsets;  // day of this year of every document but the first
    for (int d = 1; d < s_.documents; ++d) offsets.push_back(uniform(0, lastDay - 1));
    std::sort(offsets.begin(), offsets.end());

    const int shared = std::max(0, s_.articles - s_.newArticles);
    int documentOnly = 0;
    for (int d = 0; d < s_.documents; ++d) {
        // The oldest document is dated the last day of last year.
        const QDate date = d == 0 ? QDate(today_.year() - 1, 12, 31)
                                  : QDate(today_.year(), 1, 1).addDays(offsets[d - 1]);
        const bool invoice = d % 2 == 0;
        const qint64 number = 5000 + d * 3 + 1;
        for (int n = 0; n < s_.linesPerDocument; ++n) {
            const Article* a = nullptr;
            const int roll = uniform(0, 99);
            // One line, of an article the store has never seen, names a
            // subfamily the store has never heard of either.
            const bool strangeSubfamily = d == 0 && n == 2;
            if ((roll < 8 || strangeSubfamily) && !documentOnly_.empty()) {
                a = &documentOnly_[documentOnly++ % documentOnly_.size()];
            } else if (roll < 16 && s_.newArticles > 0) {
                a = &articles_[shared + uniform(0, s_.newArticles - 1)];
            } else if (shared > 0) {
                a = &articles_[uniform(0, shared - 1)];
            } else {
                a = &articles_[uniform(0, int(articles_.size()) - 1)];
            }
            Line l("BLE", date, out.nextSequence());
            // The second line of each document is of class 2 (it carries no
            // goods); the rest are goods.
            l.put(rec::ble::lineClass, n == 1 ? (d % 2 ? " 2" : "02") : "01");
            l.put(rec::ble::lineType, invoice ? "R" : " ");
            l.put(rec::ble::headerType, invoice ? "R" : " ");
            l.num(rec::ble::number, number);
            l.num(rec::ble::chainCode, a->chainCode);
            l.text(rec::ble::description, a->description);
            l.text(rec::ble::umart, a->umart);
            l.text(rec::ble::unita2, a->umconf);
            if (a->pezzatura > 0) l.num(rec::ble::quaco, a->pezzatura);
            l.num(rec::ble::imbart, a->imbart);
            if (n == 3 && d % 2 == 0) l.put(rec::ble::exclusion, "IE");
            l.put(rec::ble::vat, a->vat.toLatin1());
            l.num(rec::ble::subfamily, strangeSubfamily ? 990001 : a->subgroup);
            l.put(rec::ble::ean, a->fileEans.value(uniform(0, int(a->fileEans.size()) - 1)));
            const int packages = uniform(1, 6);
            l.num(rec::ble::packages, packages);
            const double quantity = a->umart == QLatin1String("KG") ? uniform(150, 2500) / 100.0
                                                                     : double(packages * std::max(1, a->imbart));
            l.num(rec::ble::quantity, std::llround(quantity * 100));
            double cost = a->cost;
            if (chance(0.4)) cost = std::round(cost * (1 + uniform(-5, 8) / 100.0) * 10000) / 10000;
            l.num(rec::ble::cost, std::llround(cost * 100000));
            l.num(rec::ble::price, std::llround(a->price * 1000));
            out.add(l.bytes(rec::ble::price.pos + rec::ble::price.len - 1));
            ++sum_.ble;
        }
    }
}

void Builder::writePromotions(FileWriter& out) {
    const int shared = std::max(0, s_.articles - s_.newArticles);
    const int perPromotion = std::max(1, s_.ofdLines / std::max(1, s_.promotions));
    int written = 0;
    const char* const names[] = {"VOLANTINO D'AUTUNNO", "SOTTOCOSTO CAFFÈ", "PROMOZIONE PIÙ RISPARMIO",
                                 "TAGLIA PREZZI DELL'ESTATE", "OFFERTE DELLA SETTIMANA"};
    for (int p = 0; p < s_.promotions; ++p) {
        const int number = 101 + p;
        const QDate start = today_.addDays(-uniform(0, 5));
        const QDate end = start.addDays(uniform(7, 20));
        Line oft("OFT", today_, out.nextSequence());
        oft.num(rec::oft::number, number);
        oft.text(rec::oft::description, QString::fromUtf8(names[p % 5]) + QStringLiteral(" ") + QString::number(number));
        oft.put(rec::oft::start, start.toString(QStringLiteral("yyyyMMdd")).toLatin1());
        oft.put(rec::oft::end, end.toString(QStringLiteral("yyyyMMdd")).toLatin1());
        out.add(oft.bytes(rec::oft::end.pos + rec::oft::end.len - 1));
        ++sum_.oft;

        const int lines = p == s_.promotions - 1 ? std::max(1, s_.ofdLines - written) : perPromotion;
        for (int n = 0; n < lines; ++n, ++written) {
            // Kinds: a price cut opens each promotion, then a mix of repeats
            // (kind 0), percentage discounts (kind 10) and price cuts.
            int kind = 1;
            if (n > 0) {
                const int roll = uniform(0, 9);
                kind = roll < 3 ? 0 : roll < 6 ? 10 : roll < 8 ? 1 : 2;
            }
            qint32 code = 0;
            const Article* a = nullptr;
            const int roll = uniform(0, 199);
            if (n == 2 && p % 2 == 0) {
                code = 9900001 + p;  // the chain's database has never heard of it
            } else if (n == 3 && p % 2 == 1 && !chainOnly_.empty()) {
                a = &chainOnly_[p % chainOnly_.size()];  // the store does not have it
            } else if (roll < 20 && s_.newArticles > 0) {
                a = &articles_[shared + uniform(0, s_.newArticles - 1)];
            } else {
                a = &articles_[uniform(0, std::max(1, shared) - 1)];
            }
            if (a) code = a->chainCode;
            const double price = a ? std::max(0.09, std::round(a->price * 0.8 * 100) / 100) : 1.99;
            static const int percents[] = {10, 15, 20, 25, 30};
            const qint64 value = kind == 10 ? qint64(pick(percents)) * 1000 : std::llround(price * 1000);
            const bool gMark = kind != 10 && n % 7 == 5;

            Line ofd("OFD", today_, out.nextSequence());
            if (gMark) ofd.put(rec::gval::mark, "G");
            ofd.num(rec::ofd::number, number);
            ofd.num(rec::ofd::offerKind, kind);
            ofd.num(rec::ofd::chainCode, code);
            if (gMark) {
                // The value comes in the "G" field; the regular one is left blank.
                ofd.num(rec::gval::value, value);
                ++sum_.gValues;
            } else {
                ofd.num(rec::ofd::value, value);
            }
            out.add(ofd.bytes(rec::ofd::value.pos + rec::ofd::value.len - 1));
            ++sum_.ofd;
        }
        // Once, a "G" record of its own that corrects the last line's price.
        if (p == 0) {
            Line g("OFG", today_, out.nextSequence());
            g.put(rec::gval::mark, "G");
            g.num(rec::gval::value, 1490);
            out.add(g.bytes(rec::gval::value.pos + rec::gval::value.len - 1));
            ++sum_.gValues;
        }
    }
}

void Builder::writeFile() {
    FileWriter out(paths_.chainFile());
    writeCatalogue(out);
    writeDocuments(out);
    writePromotions(out);
    out.flush();
    sum_.lines = out.lines();
}

Summary Builder::run() {
    initRoot(paths_);
    planClassification();
    planArticles();
    {
        auto store = db::Database::open(paths_.storeDb(), QStringLiteral("store"));
        fillStore(*store);
    }
    {
        auto chain = db::Database::open(paths_.chainDb(), QStringLiteral("chain"));
        fillChain(*chain);
    }
    writeFile();
    return sum_;
}

}  // namespace

Generator::Generator(Sizes sizes) : sizes_(std::move(sizes)) {}

Summary Generator::write(const Paths& paths) {
    Builder b(sizes_, paths);
    return b.run();
}

}  // namespace gen
