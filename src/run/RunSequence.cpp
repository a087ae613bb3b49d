#include "run/RunSequence.h"

#include "articles/creo_art_nuovo_forni.h"
#include "catalogue/aggiorno_tutto.h"
#include "catalogue/for2_lis.h"
#include "chainfile/LineErrors.h"
#include "chainfile/RefusedLines.h"
#include "documents/elabora3.h"
#include "documents/elaborap.h"
#include "promotions/ElaboraPromozioni.h"
#include "promotions/creo_off.h"
#include "report/ReportOutput.h"
#include "run/Run.h"

#include <QDateTime>

namespace {

// The lines no stage could apply go back to the chain in a file of their own
// beside the chain's file, named in the summary. A file that cannot be
// written does not undo what the run stored: it stops no stage, but the run
// says so and does not end as a full success.
void handBack(const Run& run, const chainfile::RefusedLines& refused, const common::ChainFile& file) {
    // A trial leaves the chain's folder as it was: its output lists the lines.
    if (refused.isEmpty() || run.config.options.trial) return;
    try {
        const QDateTime when(run.clock.today(), run.clock.now());
        run.summary.refusedFile = refused.write(file, run.config.paths.chainFolder(), when).path;
    } catch (const common::ChainFileError& e) {
        run.summary.stops << QStringLiteral("File delle righe rifiutate non scritto: ") + e.message();
    }
}

}  // namespace

RunEnd runSequence(const Run& run) {
    // The lines of the chain's file that no stage could apply, shown by each
    // stage at its end and handed back to the chain.
    chainfile::LineErrors lineErrors;
    chainfile::RefusedLines refused;
    lineErrors.keepRefusals(refused);

    // The chain's catalogue into the chain database, then the store's articles.
    run.view.stage(Stage::Catalogo);
    const std::optional<CatalogueRead> catalogue = for2_lis(run, lineErrors);
    if (!catalogue) return RunEnd::RetryLater;
    const common::ChainFile& file = catalogue->file;
    run.summary.fileBytes = file.size();
    run.summary.fileSha256 = file.sha256().toHex();
    run.summary.dataDati = catalogue->dataDati;
    run.view.stage(Stage::Articoli);
    aggiorno_tutto(run);

    // Supplier documents: listed always; staged, completed with new articles
    // and received unless switched off.
    run.view.stage(Stage::Documenti);
    run.view.setText(Box::elaboraw, QStringLiteral("IMPORTA DOCUMENTO"));
    const ListedDocument lastListed = elaborap(run, file, lineErrors);
    if (run.config.documentsOn()) {
        // The staging, the articles made from the lines and every receipt are
        // one unit of the store: a run stopped anywhere in between leaves none
        // of it, and the next run stages afresh what one whole run stages (a
        // line staged after its article was made would carry another cost
        // change). The messages wait until the unit is stored.
        HeldMessages held(run.view);
        const Run documents{run.config, run.store, run.chain, held, run.clock, run.log, run.summary};
        db::Transaction unit(run.store);
        stageDocumentLines(documents, file, lineErrors, lastListed.number);
        creo_art_nuovo_forni(documents, lastListed.number);
        receiveDocuments(documents, lineErrors);
        unit.commit();
        held.show();
    } else {
        clearDocumentLines(run);
    }
    endDocuments(run);
    lineErrors.refuseDocuments();

    // Promotions and offer documents, numbered in the year of the run like any
    // document made today: a January file that still carries a December
    // delivery note does not file January's offers under last year's series.
    const qint32 offerYear = run.clock.today().year();
    run.view.stage(Stage::Promozioni);
    if (!ElaboraPromozioni(run, file, offerYear, lineErrors)) {
        handBack(run, refused, file);
        return RunEnd::Finished;
    }
    creo_off(run, offerYear);
    handBack(run, refused, file);

    run.view.setVisible(Bar::ProgressBar3, false);
    run.view.stage(Stage::Stampa);
    run.view.counted(run.summary);
    if (run.view.ask(QStringLiteral("Attenzione  !!  Vuoi stampare i dati elaborati ?"),
                     QStringLiteral("Stampa dati divulgazioni")))
        printReport(run, catalogue->dataDati);
    return RunEnd::Finished;
}
