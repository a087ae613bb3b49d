#include "shell/RunSequence.h"

#include "catalogue/aggiorno_tutto.h"
#include "catalogue/for2_lis.h"
#include "documents/elabora3.h"
#include "promotions/ElaboraPromozioni.h"
#include "promotions/creo_off.h"
#include "report/ReportOutput.h"
#include "shell/Run.h"

RunEnd runSequence(Run& run) {
    if (!for2_lis(run)) return RunEnd::RetryLater;
    aggiorno_tutto(run);
    elabora3(run);
    if (!ElaboraPromozioni(run)) return RunEnd::Finished;
    creo_off(run);

    run.view.setVisible("ProgressBar3", false);
    if (run.view.ask(QStringLiteral("Attenzione  !!  Vuoi stampare i dati elaborati ?"),
                     QStringLiteral("Stampa dati divulgazioni")))
        printReport(run);
    return RunEnd::Finished;
}
