#pragma once

#include "platform/prompts.h"

// Prompts for a benchmark: every box takes its default answer, nothing makes a sound.
class TSilentPrompts : public TPrompts {
public:
    TAnswer Ask(const TMessage& m) override { return m.defaultButton; }
    void Asterisk() override {}
    QString OpenFileName(const TFileDialog&) override { return QString(); }
    QString SaveFileName(const TFileDialog&) override { return QString(); }
};
