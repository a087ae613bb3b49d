#include "shell/Form_Load.h"

#include "shell/Run.h"

LoadOutcome Form_Load(Run& run) {
    RunContext& ctx = run.ctx;
    ctx.codfor_affil = 0;

    db::Query user = run.store.prepare(
        QStringLiteral("SELECT codfor_affil FROM utenti WHERE codutente = 1 LIMIT 1"));
    if (user.first() && !user.isNull("codfor_affil"))
        ctx.codfor_affil = static_cast<qint32>(user.whole("codfor_affil"));

    {
        // The three deletions are one unit: all of them or none.
        db::Transaction tx(run.store);
        run.store.exec(QStringLiteral("DELETE FROM listi02 WHERE codlis = '000000'"));
        run.store.exec(QStringLiteral("DELETE FROM listi02 WHERE codart = 0"));
        run.store.exec(QStringLiteral("DELETE FROM variatidivulgazioni"));
        tx.commit();
    }

    db::Query automa = run.store.prepare(
        QStringLiteral("SELECT art1, art2, art3 FROM automa WHERE codice = 2 LIMIT 1"));
    if (automa.first()) {
        if (!automa.isNull("art1")) ctx.art1 = automa.text("art1");
        if (!automa.isNull("art2")) ctx.art2 = automa.text("art2");
        if (!automa.isNull("art3")) ctx.art3 = automa.text("art3");
    }

    // The circle turns red only for the exact text "1"; the stages themselves
    // compare the numeric value, so "01" switches a stage off behind a green circle.
    run.view.setCircleRed("Shape1", ctx.art1 == QLatin1String("1"));
    run.view.setCircleRed("Shape3", ctx.art2 == QLatin1String("1"));
    run.view.setCircleRed("Shape2", ctx.art3 == QLatin1String("1"));

    ctx.log = db::LogRow{};
    ctx.storeCode = 0;
    ctx.cosivaCorrente = 0;

    if (ctx.codfor_affil == 0) {
        run.view.message(QStringLiteral(
            "Attenzione, codice fornitore NELV non inserito in tabella Dati Societa/Affiliazione"));
        return LoadOutcome::NoSupplierCode;
    }
    return LoadOutcome::Ready;
}
