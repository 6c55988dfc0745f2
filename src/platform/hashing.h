#pragma once

#include <QHash>

// With a random seed the toolkit (6.4) hashes strings shorter than eight characters, which state names and
// symbols nearly always are, through a path that took 120 to 150 ns a name on the machines measured, against
// 4 ns unseeded: every lookup in a machine of many states paid it. The seed only guards against inputs made to
// collide, which a teaching program that opens its user's own files can do without. Call first in main(),
// before any hash table exists: a table keeps the seed it was made with.
inline void UseFastStringHashing() {
    QHashSeed::setDeterministicGlobalSeed();
}
