#pragma once
class Run;
// Creates the store article for the chain article being handled.
