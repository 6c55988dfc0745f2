#pragma once

#include "platform/prompts.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken property ends the process, so that libFuzzer keeps the input and the replay test fails.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// Answers every box with its default button and shows nothing.
class TSilentPrompts : public TPrompts {
public:
    TAnswer Ask(const TMessage& message) override { return message.defaultButton; }
    void Asterisk() override {}
    QString OpenFileName(const TFileDialog&) override { return QString(); }
    QString SaveFileName(const TFileDialog&) override { return QString(); }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
