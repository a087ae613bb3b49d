#pragma once
class Run;

// Stages the supplier documents' lines and receives every new document.
void elabora3(Run& run);
