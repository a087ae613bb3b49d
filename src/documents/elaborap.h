#pragma once
class Run;
class BleProblems;

// Lists the supplier documents of the chain's file in `fatcasa`, one row per
// document. Lines whose number or date cannot be read are left out and, when
// `problems` is given, recorded there.
void elaborap(Run& run, BleProblems* problems = nullptr);
