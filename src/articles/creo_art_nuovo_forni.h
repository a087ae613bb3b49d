#pragma once
class Run;
// Creates store articles for staged document lines the store lacks.
