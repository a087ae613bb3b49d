#include "run/RunSequence.h"

#include "articles/creo_art_nuovo_forni.h"
#include "catalogue/aggiorno_tutto.h"
#include "catalogue/for2_lis.h"
#include "chainfile/LineErrors.h"
#include "documents/elabora3.h"
#include "documents/elaborap.h"
#include "promotions/ElaboraPromozioni.h"
#include "promotions/creo_off.h"
#include "report/ReportOutput.h"
#include "run/Run.h"

RunEnd runSequence(const Run& run) {
    // The lines of the chain's file that no stage could apply, shown by each
    // stage at its end.
    chainfile::LineErrors lineErrors;

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
        stageDocumentLines(run, file, lineErrors);
        creo_art_nuovo_forni(run);
        receiveDocuments(run, lineErrors);
    } else {
        clearDocumentLines(run);
    }
    endDocuments(run);

    // Promotions and offer documents, filed under the year of the last
    // supplier document listed (this year's when the file has none).
    const qint32 offerYear = lastListed.year != 0 ? lastListed.year : run.clock.today().year();
    run.view.stage(Stage::Promozioni);
    if (!ElaboraPromozioni(run, file, offerYear, lineErrors)) return RunEnd::Finished;
    creo_off(run, offerYear);

    run.view.setVisible(Bar::ProgressBar3, false);
    run.view.stage(Stage::Stampa);
    run.view.counted(run.summary);
    if (run.view.ask(QStringLiteral("Attenzione  !!  Vuoi stampare i dati elaborati ?"),
                     QStringLiteral("Stampa dati divulgazioni")))
        printReport(run, catalogue->dataDati);
    return RunEnd::Finished;
}
