#include "run/Form_Load.h"

#include "common/Numbers.h"
#include "db/Database.h"
#include "run/RunHistory.h"
#include "run/RunView.h"

#include <limits>

namespace {

const QString kNoSupplierCode =
    QStringLiteral("Attenzione, codice fornitore NELV non inserito in tabella Dati Societa/Affiliazione");

struct SupplierCode {
    qint64 value = 0;
    bool fits = true;  // within a long integer
};

SupplierCode readSupplierCode(db::Database& store) {
    db::Query user = store.prepare(QStringLiteral("SELECT codfor_affil FROM utenti WHERE codutente = ? LIMIT 1"));
    const auto code = user.firstRow({RunConfig::userCode}, [](const db::Query& q) {
        if (q.isNull("codfor_affil")) return SupplierCode{};
        bool ok = false;
        const qint64 value = q.value("codfor_affil").toLongLong(&ok);
        return SupplierCode{ok ? value : 0,
                            !ok || (value >= std::numeric_limits<qint32>::min() &&
                                    value <= std::numeric_limits<qint32>::max())};
    });
    return code.value_or(SupplierCode{});
}

}  // namespace

std::optional<RunConfig> Form_Load(const Paths& paths, const RunOptions& options, db::Database& store,
                                   RunView& view) {
    RunConfig config;
    config.paths = paths;
    config.options = options;
    const SupplierCode code = readSupplierCode(store);
    if (!code.fits) {
        // Cut to 32 bits it would file documents and articles under another
        // supplier. The code cannot be read, so nothing is touched, not even
        // the clean-up of the previous run.
        view.message(QStringLiteral("Attenzione, codice fornitore NELV %1 in tabella Dati Societa/Affiliazione "
                                    "fuori dall'intervallo ammesso (massimo %2): correggerlo prima di "
                                    "importare il file.")
                         .arg(code.value)
                         .arg(std::numeric_limits<qint32>::max()));
        return std::nullopt;
    }
    config.codfor_affil = static_cast<qint32>(code.value);

    {
        // The deletions are one unit: all of them or none. The previous run's
        // log goes only when that run went through to its end; after a run
        // that was cut short the new run appends, and its report still shows
        // the changes made before the cut (labels not yet printed).
        const bool newLog = RunHistory(store).lastRunReachedItsEnd();
        db::Transaction tx(store);
        store.exec(QStringLiteral("DELETE FROM listi02 WHERE codlis = '000000'"));
        store.exec(QStringLiteral("DELETE FROM listi02 WHERE codart = 0"));
        if (newLog) store.exec(QStringLiteral("DELETE FROM variatidivulgazioni"));
        tx.commit();
    }

    db::Query automa = store.prepare(QStringLiteral("SELECT art1, art2, art3 FROM automa WHERE codice = 2 LIMIT 1"));
    if (automa.first()) {
        if (!automa.isNull("art1")) config.art1 = automa.text("art1");
        if (!automa.isNull("art2")) config.art2 = automa.text("art2");
        if (!automa.isNull("art3")) config.art3 = automa.text("art3");
    }
    automa.finish();

    db::Query supplier = store.prepare(
        QStringLiteral("SELECT dscfornitore FROM fornitori WHERE codfornitore = ? ORDER BY rowid LIMIT 1"));
    if (const auto name = supplier.firstRow({config.codfor_affil},
                                            [](const db::Query& q) { return q.text("dscfornitore"); }))
        config.supplierName = common::padCut(*name, 45);

    // The circle turns red only for the exact text "1"; the stages themselves
    // compare the numeric value, so "01" switches a stage off behind a green circle.
    view.setCircleRed(Circle::Shape1, config.art1 == QLatin1String("1"));
    view.setCircleRed(Circle::Shape3, config.art2 == QLatin1String("1"));
    view.setCircleRed(Circle::Shape2, config.art3 == QLatin1String("1"));

    if (config.codfor_affil == 0) {
        view.message(kNoSupplierCode);
        return std::nullopt;
    }
    return config;
}
