// The commands that are not entry keys: arithmetic, stack commands and the
// copy of X, and the recovery of the operands when an operation fails.
#include "calc_stack.h"
#include "command_table.h"
#include "feedback.h"
#include "math_errors.h"
#include "panel.h"
#include "torva_ids.h"

namespace {

double Add(double y, double x) { return y + x; }
double Subtract(double y, double x) { return y - x; }
double Multiply(double y, double x) { return y * x; }
double Divide(double y, double x) { return y / x; }
// A zero exponent (either sign) gives 1 without asking pow.
double Power(double y, double x) { return x != 0 ? CheckedPow(y, x) : 1.0; }
double Reciprocal(double x) { return 1.0 / x; }
double ChangeSign(double x) { return -x; }
double SquareRoot(double x) { return CheckedSqrt(x); }
double Square(double x) { return x * x; }

// The operands an operation took off the stack, for putting them back.
struct Operands {
    double x;
    double y;
};

struct Operation;
typedef void (*Runner)(CalcStack& calc, const Operation& op, Operands& taken, int& errorFlag);

struct Operation {
    int code;
    Runner run;
    double (*binary)(double y, double x);
    double (*unary)(double x);
};

void RunBinary(CalcStack& calc, const Operation& op, Operands& taken, int& errorFlag)
{
    calc.Pop(taken.x);
    calc.Pop(taken.y);
    calc.Push("", op.binary(taken.y, taken.x), errorFlag, 1);
}

void RunUnary(CalcStack& calc, const Operation& op, Operands& taken, int& errorFlag)
{
    calc.Pop(taken.x);
    calc.Push("", op.unary(taken.x), errorFlag, 1);
}

void RunDrop(CalcStack& calc, const Operation&, Operands& taken, int&)
{
    calc.Pop(taken.x);
}

void RunSwap(CalcStack& calc, const Operation&, Operands& taken, int& errorFlag)
{
    calc.Pop(taken.x);
    calc.Pop(taken.y);
    calc.Push("", taken.x, errorFlag, 0);
    calc.Push("", taken.y, errorFlag, 0);
}

void RunClear(CalcStack& calc, const Operation&, Operands& taken, int&)
{
    while (calc.count >= 1)
        calc.Pop(taken.x);
}

void RunCopy(CalcStack& calc, const Operation&, Operands&, int&)
{
    char text[kNumberTextSize];
    CalcStack::FormatValue(calc.slots[calc.top], text);
    PanelCopyText(text);
}

const Operation kOperations[] = {
    {CMD_ADD, RunBinary, Add, nullptr},
    {CMD_SUBTRACT, RunBinary, Subtract, nullptr},
    {CMD_MULTIPLY, RunBinary, Multiply, nullptr},
    {CMD_DIVIDE, RunBinary, Divide, nullptr},
    {CMD_POWER, RunBinary, Power, nullptr},
    {CMD_RECIPROCAL, RunUnary, nullptr, Reciprocal},
    {CMD_CHANGE_SIGN, RunUnary, nullptr, ChangeSign},
    {CMD_SQRT, RunUnary, nullptr, SquareRoot},
    {CMD_SQUARE, RunUnary, nullptr, Square},
    {CMD_DROP, RunDrop, nullptr, nullptr},
    {CMD_SWAP, RunSwap, nullptr, nullptr},
    {CMD_CLEAR, RunClear, nullptr, nullptr},
    {CMD_COPY, RunCopy, nullptr, nullptr},
};

const Operation* FindOperation(int code)
{
    for (const Operation& op : kOperations) {
        if (op.code == code)
            return &op;
    }
    return nullptr;
}

// After a failed operation: the operands go back where they were, shown
// formatted and not read out, so the stack looks as before the command.
void RestoreOperands(CalcStack& calc, int countBefore, const Operands& taken)
{
    int ignored = 0;
    if (countBefore == calc.count + 2)
        calc.Push("", taken.y, ignored, 0);
    if (countBefore - calc.count >= 1)
        calc.Push("", taken.x, ignored, 0);
}

struct MathErrorMessage {
    int error;
    int messageId;
};

const MathErrorMessage kMathErrorMessages[] = {
    {kOverflowError, IDS_OVERFLOW},
    {kNumericalError, IDS_NUMERICAL_ERROR},
};

}  // namespace

// Carries out a command that passed the checks of Key. Every code ends the
// entry in progress, including the codes that do nothing else. False when
// the operation failed with a math error, which has been reported.
bool CalcStack::Execute(int code)
{
    const int countBefore = count;
    int errorFlag = 0;
    Operands taken = {0, 0};

    PlayCue(CommandCue(code));
    if (const Operation* op = FindOperation(code))
        op->run(*this, *op, taken, errorFlag);

    if (errorFlag) {
        ReportMathError();
        pendingMathError = kNoMathError;
        RestoreOperands(*this, countBefore, taken);
    }
    freshEntry = 1;
    return !errorFlag;
}

// Tells the user about the pending math error, if any, and clears it.
void CalcStack::ReportMathError()
{
    for (const MathErrorMessage& message : kMathErrorMessages) {
        if (pendingMathError == message.error)
            ReportError(message.messageId);
    }
    pendingMathError = kNoMathError;
}
