// Reading and writing the codes store, the way every engine step does.
//
//   const platform::Value& entry = readStoredCodesEntry();   // what is under "codes"
//   writeStoredCodes(list);                                  // {"codes": list}, atomic
//
// Reads go through the preferences suite with a synchronize, so the file as
// last written by anyone is seen. The file is read as bytes first: when they
// are exactly the bytes this engine last read or wrote, the list parsed then is
// used again instead of parsing the same bytes once more. Reading the bytes
// before the suite guarantees that the remembered bytes are never newer than
// the remembered list, so a store changed in between is always parsed again.
// Main thread only.
#pragma once

#include "platform/foundation/Value.h"

namespace quorvel::engine {

// The value stored under "codes" (None when the store or the key is absent).
// Valid until the next read or write of the store.
const platform::Value& readStoredCodesEntry();

// Writes a fresh root dictionary holding only "codes" with an atomic write;
// false (nothing changed on disk) when the write failed.
bool writeStoredCodes(const platform::Array& codes);

// Forgets what was last read or written (engineResetForTesting).
void forgetStoredCodes();

} // namespace quorvel::engine
