#include "command_table.h"

#include "torva_ids.h"

namespace {

struct CommandRow {
    int code;
    int operands;
    const char* cue;
};

// Every code the engine acts on. Codes not listed need no operands, have no
// cue and do nothing but end an entry in progress.
const CommandRow kCommandRows[] = {
    {CMD_BACKSPACE, 0, "back.wav"},
    {CMD_ENTER, 0, "enter.wav"},
    {CMD_MULTIPLY, 2, "mult.wav"},
    {CMD_ADD, 2, "add.wav"},
    {CMD_SUBTRACT, 2, "sub.wav"},
    {CMD_POINT, 0, "point.wav"},
    {CMD_DIVIDE, 2, "div.wav"},
    {CMD_DIGIT_0, 0, "0.wav"},
    {CMD_DIGIT_1, 0, "1.wav"},
    {CMD_DIGIT_2, 0, "2.wav"},
    {CMD_DIGIT_3, 0, "3.wav"},
    {CMD_DIGIT_4, 0, "4.wav"},
    {CMD_DIGIT_5, 0, "5.wav"},
    {CMD_DIGIT_6, 0, "6.wav"},
    {CMD_DIGIT_7, 0, "7.wav"},
    {CMD_DIGIT_8, 0, "8.wav"},
    {CMD_DIGIT_9, 0, "9.wav"},
    {CMD_POWER, 2, "raise.wav"},
    {CMD_RECIPROCAL, 1, "recip.wav"},
    {CMD_CHANGE_SIGN, 1, "ch_sgn.wav"},
    {CMD_SQRT, 1, "sqrt.wav"},
    {CMD_DROP, 1, "drop.wav"},
    {CMD_COPY, 1, nullptr},
    {CMD_CLEAR, 0, "clear.wav"},
    {CMD_SWAP, 2, "swap.wav"},
    {CMD_SQUARE, 1, "square.wav"},
};

const CommandRow* Row(int code)
{
    for (const CommandRow& row : kCommandRows) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

bool IsZero(double x) { return x == 0; }  // -0 counts as zero
bool IsNegative(double x) { return x < 0; }

struct DomainRule {
    int code;
    bool (*refuses)(double x);
    int messageId;
};

const DomainRule kDomainRules[] = {
    {CMD_DIVIDE, IsZero, IDS_DIVIDE_BY_ZERO},
    {CMD_RECIPROCAL, IsZero, IDS_DIVIDE_BY_ZERO},
    {CMD_SQRT, IsNegative, IDS_NEGATIVE_ROOT},
};

}  // namespace

int OperandsNeeded(int code)
{
    const CommandRow* row = Row(code);
    return row ? row->operands : 0;
}

const char* CommandCue(int code)
{
    const CommandRow* row = Row(code);
    return row ? row->cue : nullptr;
}

int DomainRefusal(int code, double x)
{
    for (const DomainRule& rule : kDomainRules) {
        if (rule.code == code && rule.refuses(x))
            return rule.messageId;
    }
    return 0;
}

bool IsEntryKey(int code)
{
    return code == CMD_BACKSPACE || code == CMD_ENTER || code == CMD_POINT ||
           (code >= CMD_DIGIT_0 && code <= CMD_DIGIT_9);
}
