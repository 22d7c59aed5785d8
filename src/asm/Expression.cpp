// Expressions: converted token by token to a short postfix program, then run.
#include <climits>

#include "asm/Engine.h"

namespace pellix::asmr {

namespace {

constexpr uint8_t kMarker = 0xFF;
constexpr int kMaxOperators = 256;
constexpr int kMaxCodeBytes = 255;
constexpr int kMaxPending = 16;
constexpr const char* kTooComplex = "Expression is too complex";
constexpr const char* kExpectedOperand = "Expected a constant, variable, unary operator, or \"(\"";
constexpr const char* kExpectedOperator = "Expected a binary operator or \")\"";

bool IsUnary(uint8_t op) {
    return op <= kOpNot;
}

int32_t S(uint32_t v) {
    return static_cast<int32_t>(v);
}
uint32_t Truth(bool b) {
    return b ? 0xFFFF'FFFFu : 0u;
}

uint32_t Reverse(uint32_t value, uint32_t count) {
    if (count > 64) count = 64;
    if (count == 0) return 0;
    if (count <= 32) {
        uint32_t out = 0;
        for (uint32_t i = 0; i < count; ++i)
            if (value & (1u << i)) out |= 1u << (count - 1 - i);
        return out;
    }
    uint32_t full = 0;
    for (uint32_t i = 0; i < 32; ++i)
        if (value & (1u << i)) full |= 1u << (31 - i);
    uint32_t shift = count - 32;
    return shift >= 32 ? 0 : full << shift;
}

uint32_t Binary(uint8_t op, uint32_t a, uint32_t b) {
    switch (op) {
    case kOpAnd:
        return a & b;
    case kOpOr:
        return a | b;
    case kOpXor:
        return a ^ b;
    case kOpAdd:
        return a + b;
    case kOpSub:
        return a - b;
    case kOpMul:
        return a * b;
    case kOpDiv:
        if (b == 0) b = 1;
        if (S(a) == INT32_MIN && S(b) == -1) return a;
        return uint32_t(S(a) / S(b));
    case kOpMod:
        if (b == 0) b = 1;
        if (S(a) == INT32_MIN && S(b) == -1) return 0;
        return uint32_t(S(a) % S(b));
    case kOpShl:
        return b >= 32 ? 0 : a << b;
    case kOpShr:
        if (b >= 32) return S(a) < 0 ? 0xFFFF'FFFFu : 0u;
        return uint32_t(S(a) >> b);
    case kOpReverse:
        return Reverse(a, b);
    case kOpBit:
        return (a & 0xFF) + ((b & 7) << 8);
    case kOpLogAnd:
        return Truth(a != 0 && b != 0);
    case kOpLogOr:
        return Truth(a != 0 || b != 0);
    case kOpLogXor:
        return Truth((a != 0) != (b != 0));
    case kOpLe:
        return Truth(S(a) <= S(b));
    case kOpGe:
        return Truth(S(a) >= S(b));
    case kOpEq:
        return Truth(a == b);
    case kOpNe:
        return Truth(a != b);
    case kOpLt:
        return Truth(S(a) < S(b));
    case kOpGt:
        return Truth(S(a) > S(b));
    default:
        return 0;
    }
}

struct Code {
    bool operand;
    uint8_t op;
    uint32_t value;
};

} // namespace

uint32_t Engine::Evaluate(bool strict) {
    uint8_t ops[kMaxOperators];
    int opCount = 0;
    Code code[kMaxCodeBytes];
    int codeCount = 0, codeBytes = 0, pending = 0, parens = 0;
    bool unresolved = false;
    bool notAllowed = true; // NOT may come here
    bool beginning = true;  // nothing but "(" read yet

    auto push = [&](uint8_t op) {
        if (opCount >= kMaxOperators) Fail(kTooComplex);
        ops[opCount++] = op;
    };
    auto emitOp = [&](uint8_t op) {
        if (codeBytes + 1 > kMaxCodeBytes) Fail(kTooComplex);
        code[codeCount++] = {false, op, 0};
        codeBytes += 1;
        if (!IsUnary(op)) --pending;
    };
    auto emitValue = [&](uint32_t v) {
        if (codeBytes + 5 > kMaxCodeBytes || pending + 1 > kMaxPending) Fail(kTooComplex);
        code[codeCount++] = {true, 0, v};
        codeBytes += 5;
        ++pending;
    };
    auto popToMarker = [&] {
        while (opCount > 0 && ops[opCount - 1] != kMarker)
            emitOp(ops[--opCount]);
    };
    auto removeMarker = [&] {
        if (opCount > 0 && ops[opCount - 1] == kMarker) --opCount;
    };

    push(kMarker);
    push(kMarker);
    Token t = Next();
    const uint32_t start = t.start;
    uint32_t end = t.end;
    bool stoppedBeforeMinus = false;

    for (;;) {
        // Operand position.
        bool operand = false;
        switch (t.kind) {
        case Kind::Open:
            push(kMarker);
            ++parens;
            notAllowed = beginning;
            break;
        case Kind::Not:
            if (!notAllowed) Fail(kExpectedOperand);
            notAllowed = true;
            removeMarker();
            removeMarker();
            push(kOpNot);
            push(kMarker);
            push(kMarker);
            break;
        case Kind::Prefix:
            if (t.value == kOpArg && pass_.innermost < 0)
                Fail("\"\\\" only allowed in MACRO definition");
            push(uint8_t(t.value));
            notAllowed = false;
            break;
        case Kind::Arith:
            if (t.value == kOpAdd) {
                notAllowed = false;
                break;
            }
            if (t.value != kOpSub) Fail(kExpectedOperand);
            push(kOpNegate);
            notAllowed = false;
            break;
        case Kind::Constant:
        case Kind::Variable:
            emitValue(t.value);
            operand = true;
            break;
        case Kind::Undefined:
            if (strict) Fail("Undefined symbol");
            unresolved = true;
            emitValue(0);
            operand = true;
            break;
        case Kind::W:
            // MOV W,fr-W: the register expression ends before "-W".
            if (opCount == 3 && ops[0] == kMarker && ops[1] == kMarker && ops[2] == kOpSub &&
                parens == 0) {
                PushBack(2);
                opCount = 2;
                stoppedBeforeMinus = true;
                break;
            }
            Fail(kExpectedOperand);
        default:
            Fail(kExpectedOperand);
        }
        if (stoppedBeforeMinus) break;
        if (t.kind != Kind::Open) beginning = false;
        if (!operand) {
            t = Next();
            continue;
        }
        end = t.end;
        popToMarker();

        // Operator position.
        bool finished = false;
        while (!finished) {
            t = Next();
            switch (t.kind) {
            case Kind::Arith:
                push(uint8_t(t.value));
                notAllowed = false;
                finished = true;
                break;
            case Kind::Compare:
                removeMarker();
                popToMarker();
                push(uint8_t(t.value));
                push(kMarker);
                notAllowed = false;
                finished = true;
                break;
            case Kind::Logical:
                removeMarker();
                popToMarker();
                removeMarker();
                popToMarker();
                push(uint8_t(t.value));
                push(kMarker);
                push(kMarker);
                notAllowed = true;
                finished = true;
                break;
            case Kind::Close:
                if (parens == 0) goto done;
                --parens;
                removeMarker();
                popToMarker();
                end = t.end;
                break;
            case Kind::Constant:
            case Kind::Variable:
            case Kind::Prefix:
            case Kind::Not:
            case Kind::Open:
                Fail(kExpectedOperator);
            default:
                goto done;
            }
        }
        t = Next();
    }

done:
    if (!stoppedBeforeMinus) PushBack(1);
    removeMarker();
    popToMarker();
    removeMarker();
    popToMarker();
    if (opCount != 0) Fail(kExpectedOperator);

    r_.errorStart = exprStart_ = start;
    r_.errorEnd = exprEnd_ = end;
    lastUnresolved_ = unresolved;
    if (unresolved) return 0;

    uint32_t stack[kMaxPending];
    int sp = 0;
    for (int i = 0; i < codeCount; ++i) {
        const Code& c = code[i];
        if (c.operand) {
            stack[sp++] = c.value;
            continue;
        }
        if (IsUnary(c.op)) {
            if (sp < 1) Fail(kTooComplex);
            uint32_t& v = stack[sp - 1];
            switch (c.op) {
            case kOpNegate:
                v = 0u - v;
                break;
            case kOpComplement:
                v = ~v;
                break;
            case kOpAbs:
                if (S(v) < 0) v = 0u - v;
                break;
            case kOpNot:
                v = Truth(v == 0);
                break;
            case kOpArg: {
                const size_t frame = size_t(pass_.innermost);
                const uint32_t count = frames_.ArgumentCount(frame);
                if (v > count) Fail("Macro argument index is out of range");
                if (v == 0) {
                    v = count;
                    break;
                }
                const MacroFrames::Argument argument = frames_.ArgumentAt(frame, v - 1);
                if (argument.unresolved) {
                    if (strict) Fail("Macro argument is not resolvable");
                    lastUnresolved_ = true;
                    return 0;
                }
                v = argument.value;
                break;
            }
            default:
                break;
            }
            continue;
        }
        if (sp < 2) Fail(kTooComplex);
        --sp;
        stack[sp - 1] = Binary(c.op, stack[sp - 1], stack[sp]);
    }
    return sp > 0 ? stack[sp - 1] : 0;
}

} // namespace pellix::asmr
