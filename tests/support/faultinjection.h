#pragma once

#include "platform/fileio.h"

#include <QString>

#include <initializer_list>
#include <utility>
#include <vector>

// Makes every call of the given file steps on a path ending in `suffix` fail with an errno value, for as
// long as it lives; every other call goes through.
class TInjectedFault {
public:
    TInjectedFault(std::initializer_list<fileio::TStep> steps, QString suffix, int error)
        : steps_(steps), suffix_(std::move(suffix)), error_(error) {
        fileio::SetFaultHook([this](fileio::TStep step, const QString& path) {
            for (fileio::TStep s : steps_)
                if (s == step && path.endsWith(suffix_)) {
                    ++fired_;
                    return error_;
                }
            return 0;
        });
    }
    ~TInjectedFault() { fileio::SetFaultHook({}); }
    TInjectedFault(const TInjectedFault&) = delete;
    TInjectedFault& operator=(const TInjectedFault&) = delete;

    // Whether the fault was met: a step that never came proves nothing.
    bool Fired() const { return fired_ > 0; }

private:
    std::vector<fileio::TStep> steps_;
    QString suffix_;
    int error_;
    int fired_ = 0;
};
