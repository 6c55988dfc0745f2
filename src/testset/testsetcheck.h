#pragma once

#include "runner/batchrun.h"
#include "testset/testsetfile.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <functional>

class TConfig;

// A case passes when the machine halts with the expected tape (blanks at its ends aside) and, when one is
// named, in the expected state (compared without regard to case, as state names are).
bool TestPassed(const TTestCase& test, const TRunResult& result);

// Runs every case, one after another in the calling thread, on the machine given as the bytes of a machine
// file, through the headless runner and so the compiled run core. The settings' DiesCount, History and
// MaxCount hold as in the window; a word that does not halt ends at the loop check or at maxSteps. done is
// told of each case as it ends; once cancel is set the check stops within a few ten thousand steps and the
// case under way is not reported.
void CheckTestSet(const QByteArray& machine, const TConfig& config, const QList<TTestCase>& cases, qint64 maxSteps,
                  const std::atomic<bool>& cancel, const std::function<void(int index, const TRunResult&)>& done);
