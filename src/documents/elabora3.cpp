#include "documents/elabora3.h"

#include "shell/Run.h"

// Stages the supplier documents' lines and receives every new document.
void elabora3(Run& run) {

}
