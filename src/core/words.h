// The words a person reads are English in the sources and translated where
// a client says them (sylvo_translate(), from the catalogs in po/).
#pragma once

/// Marks an English text that po/ translates where it is not said to a
/// function that says it (explain(), say()): one of two in a choice, a
/// table's row. A test finds the texts so marked or said, and fails when
/// one has no translation.
#define N_(text) text
