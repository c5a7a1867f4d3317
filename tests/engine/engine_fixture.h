// Shared set-up of the engine tests: a fresh calculator and recording for
// every test, and shorthands for typing keys and reading the stack.
#ifndef TORVA_TESTS_ENGINE_FIXTURE_H
#define TORVA_TESTS_ENGINE_FIXTURE_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "calc_stack.h"
#include "recording_panel.h"
#include "torva_ids.h"

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineAndRecording(); }

    // Each character is sent as its own code, as pasted text would be:
    // "\r" is Enter, "\b" backspace, "+-*/" the four operations.
    static void Type(const char* keys)
    {
        for (const char* p = keys; *p; ++p)
            calculator.Key(static_cast<unsigned char>(*p));
    }

    static void Keys(std::initializer_list<unsigned> codes)
    {
        for (unsigned code : codes)
            calculator.Key(code);
    }

    // Pushes values bottom first, as results would be stored, and forgets
    // what that showed, so a test sees only its own keys.
    static void Load(std::initializer_list<double> bottomFirst)
    {
        for (double value : bottomFirst) {
            int errorFlag = 0;
            calculator.Push("", value, errorFlag, 0);
        }
        ForgetRecording();
    }

    static void ForgetRecording()
    {
        panelRecording.cues.clear();
        panelRecording.errors.clear();
        panelRecording.copies.clear();
        panelRecording.events.clear();
        panelRecording.beeps = 0;
    }

    // The stack, X first.
    static std::vector<double> Stack()
    {
        return std::vector<double>(calculator.slots + calculator.top,
                                   calculator.slots + kStackCapacity);
    }

    static const std::string& Line(int level) { return panelRecording.lines[level]; }
};

#endif
