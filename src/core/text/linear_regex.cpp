#include "core/text/linear_regex.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <utility>
#include <vector>

namespace tessarin {

namespace {

// A byte set; "." is the set of every byte but CR and LF, as ECMAScript has it for narrow text.
using ByteSet = std::bitset<256>;

enum class Op : uint8_t { Set, Split, Jump, Save, Begin, End, Match };

struct Instruction {
    Op op = Op::Match;
    int x = 0;  // Split: preferred branch; Jump: target; Save: slot
    int y = 0;  // Split: other branch
    int set = 0;
};

struct Program {
    std::vector<Instruction> code;
    std::vector<ByteSet> sets;
};

struct Unsupported {};

unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }
unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }

// Recursive descent straight into Pike-machine code. Only slots 0..3 (the whole match and the
// first group) are kept; other groups save nothing.
class Compiler {
public:
    explicit Compiler(std::string_view pattern) : p_(pattern) {}

    Program Compile() {
        Emit({Op::Save, 0});
        Alternation();
        if (i_ != p_.size()) throw Unsupported{};  // an unbalanced ")"
        Emit({Op::Save, 1});
        Emit({Op::Match});
        return std::move(program_);
    }

private:
    int Emit(Instruction instruction) {
        program_.code.push_back(instruction);
        return static_cast<int>(program_.code.size()) - 1;
    }
    int Here() const { return static_cast<int>(program_.code.size()); }
    // Cuts the code from `start` on, to be put back moved by `shift` instructions.
    std::vector<Instruction> Cut(int start) {
        std::vector<Instruction> cut(program_.code.begin() + start, program_.code.end());
        program_.code.resize(start);
        return cut;
    }
    void Append(const std::vector<Instruction>& code, int shift) {
        for (Instruction in : code) {
            if (in.op == Op::Split || in.op == Op::Jump) in.x += shift;
            if (in.op == Op::Split) in.y += shift;
            program_.code.push_back(in);
        }
    }
    bool AtEnd() const { return i_ >= p_.size(); }
    char Peek() const { return p_[i_]; }

    void Alternation() {
        const int start = Here();
        Sequence();
        if (AtEnd() || Peek() != '|') return;
        ++i_;
        // split start, next ; [first] ; jump end ; next: [rest]
        const std::vector<Instruction> first = Cut(start);
        Emit({Op::Split, start + 1, 0});
        Append(first, 1);
        const int jump = Emit({Op::Jump, 0});
        program_.code[start].y = Here();
        Alternation();
        program_.code[jump].x = Here();
    }

    void Sequence() {
        while (!AtEnd() && Peek() != '|' && Peek() != ')') Repeat();
    }

    void Repeat() {
        const int start = Here();
        Atom();
        if (AtEnd()) return;
        const char q = Peek();
        if (q != '*' && q != '+' && q != '?') {
            if (q == '{') throw Unsupported{};
            return;
        }
        ++i_;
        bool greedy = true;
        if (!AtEnd() && Peek() == '?') {
            greedy = false;
            ++i_;
        }
        const std::vector<Instruction> body = Cut(start);
        const auto split = [&](int loop, int exit) {
            return greedy ? Instruction{Op::Split, loop, exit} : Instruction{Op::Split, exit, loop};
        };
        if (q == '*') {
            // L: split body, out ; body ; jump L ; out:
            const int head = Emit({});
            Append(body, 1);
            Emit({Op::Jump, head});
            program_.code[head] = split(head + 1, Here());
        } else if (q == '+') {
            // body ; split start, out
            Append(body, 0);
            Emit(split(start, Here() + 1));
        } else {
            const int head = Emit({});
            Append(body, 1);
            program_.code[head] = split(head + 1, Here());
        }
    }

    int AddSet(ByteSet set) {
        program_.sets.push_back(set);
        return static_cast<int>(program_.sets.size()) - 1;
    }

    void Literal(unsigned char c) {
        ByteSet set;
        set.set(Lower(c));
        set.set(Upper(c));
        Emit({Op::Set, 0, 0, AddSet(set)});
    }

    // \d \w \s and their complements, or a single escaped character; throws for what is not
    // supported (back-references, word boundaries, \u, \c ...).
    ByteSet Escape() {
        if (AtEnd()) throw Unsupported{};
        const char c = p_[i_++];
        ByteSet set;
        const auto range = [&](int a, int b) {
            for (int k = a; k <= b; ++k) set.set(k);
        };
        switch (c) {
            case 'd':
            case 'D':
                range('0', '9');
                break;
            case 'w':
            case 'W':
                range('0', '9'), range('a', 'z'), range('A', 'Z');
                set.set('_');
                break;
            case 's':
            case 'S':
                for (const char b : {' ', '\t', '\n', '\v', '\f', '\r'}) set.set(static_cast<unsigned char>(b));
                break;
            case 'n':
                set.set('\n');
                return set;
            case 'r':
                set.set('\r');
                return set;
            case 't':
                set.set('\t');
                return set;
            case 'f':
                set.set('\f');
                return set;
            case 'v':
                set.set('\v');
                return set;
            default:
                if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) throw Unsupported{};
                set.set(static_cast<unsigned char>(c));
                return set;
        }
        if (c == 'D' || c == 'W' || c == 'S') set.flip();
        return set;
    }

    static ByteSet Caseless(ByteSet set) {
        for (int c = 'a'; c <= 'z'; ++c) {
            if (set.test(c) || set.test(c - 32)) set.set(c), set.set(c - 32);
        }
        return set;
    }

    ByteSet Class() {
        bool negated = false;
        if (!AtEnd() && Peek() == '^') negated = true, ++i_;
        ByteSet set;
        while (true) {
            if (AtEnd()) throw Unsupported{};
            if (Peek() == ']') {
                ++i_;
                break;
            }
            int low = -1;
            if (Peek() == '\\') {
                ++i_;
                const ByteSet escaped = Escape();
                if (escaped.count() != 1) {
                    set |= escaped;
                    continue;
                }
                for (int k = 0; k < 256; ++k) low = escaped.test(k) ? k : low;
            } else {
                low = static_cast<unsigned char>(p_[i_++]);
            }
            if (i_ + 1 < p_.size() && Peek() == '-' && p_[i_ + 1] != ']') {
                ++i_;
                int high = static_cast<unsigned char>(p_[i_++]);
                if (high == '\\') throw Unsupported{};
                if (high < low) throw Unsupported{};
                for (int k = low; k <= high; ++k) set.set(k);
            } else {
                set.set(low);
            }
        }
        set = Caseless(set);
        if (negated) set.flip();
        return set;
    }

    void Atom() {
        const char c = p_[i_++];
        switch (c) {
            case '(': {
                int slot = -1;
                if (!AtEnd() && Peek() == '?') {
                    if (i_ + 1 >= p_.size() || p_[i_ + 1] != ':') throw Unsupported{};
                    i_ += 2;
                } else {
                    slot = ++groups_ == 1 ? 2 : -1;
                }
                if (slot >= 0) Emit({Op::Save, slot});
                Alternation();
                if (AtEnd() || Peek() != ')') throw Unsupported{};
                ++i_;
                if (slot >= 0) Emit({Op::Save, slot + 1});
                return;
            }
            case '[':
                Emit({Op::Set, 0, 0, AddSet(Class())});
                return;
            case '.': {
                ByteSet any;
                any.set();
                any.reset('\n');
                any.reset('\r');
                Emit({Op::Set, 0, 0, AddSet(any)});
                return;
            }
            case '^':
                Emit({Op::Begin});
                return;
            case '$':
                Emit({Op::End});
                return;
            case '\\': {
                Emit({Op::Set, 0, 0, AddSet(Caseless(Escape()))});
                return;
            }
            case ')':
            case '*':
            case '+':
            case '?':
            case '{':
                throw Unsupported{};
            default:
                Literal(static_cast<unsigned char>(c));
                return;
        }
    }

    std::string_view p_;
    std::size_t i_ = 0;
    int groups_ = 0;
    Program program_;
};

using Slots = std::array<int64_t, 4>;

struct Thread {
    int pc;
    Slots slots;
};

// Runs the program over text from `from` on, the leftmost-first match as a backtracking
// matcher would find it. Each position costs at most one visit per instruction.
class Machine {
public:
    Machine(const Program& program, std::string_view text)
        : program_(program), text_(text), mark_(program.code.size(), -1) {}

    std::optional<Slots> Search(std::size_t from) {
        std::fill(mark_.begin(), mark_.end(), -1);
        std::vector<Thread> current, next;
        std::optional<Slots> matched;
        for (std::size_t at = from;; ++at) {
            if (!matched) {
                Slots empty{-1, -1, -1, -1};
                Add(current, 0, empty, at);
            }
            if (current.empty()) break;
            next.clear();
            const int c = at < text_.size() ? static_cast<unsigned char>(text_[at]) : -1;
            for (const Thread& thread : current) {
                const Instruction& in = program_.code[thread.pc];
                if (in.op == Op::Match) {
                    matched = thread.slots;
                    break;  // threads of lower priority are cut off
                }
                if (c >= 0 && program_.sets[in.set].test(c)) Add(next, thread.pc + 1, thread.slots, at + 1);
            }
            std::swap(current, next);
            if (at >= text_.size()) break;
        }
        return matched;
    }

private:
    // Follows the jumps, splits, saves and assertions from pc, in priority order.
    void Add(std::vector<Thread>& list, int pc, Slots slots, std::size_t at) {
        // Positions only grow within a search, so a mark names the position it was made at.
        if (mark_[pc] == static_cast<int64_t>(at)) return;
        mark_[pc] = static_cast<int64_t>(at);
        const Instruction& in = program_.code[pc];
        switch (in.op) {
            case Op::Jump:
                Add(list, in.x, slots, at);
                return;
            case Op::Split:
                Add(list, in.x, slots, at);
                Add(list, in.y, slots, at);
                return;
            case Op::Save:
                slots[in.x] = static_cast<int64_t>(at);
                Add(list, pc + 1, slots, at);
                return;
            case Op::Begin:
                if (at == 0) Add(list, pc + 1, slots, at);
                return;
            case Op::End:
                if (at == text_.size()) Add(list, pc + 1, slots, at);
                return;
            case Op::Set:
            case Op::Match:
                list.push_back({pc, slots});
                return;
        }
    }
    const Program& program_;
    std::string_view text_;
    std::vector<int64_t> mark_;
};

}  // namespace

std::optional<LinearSearch> SearchCaseless(std::string_view text, std::string_view pattern) {
    Program program;
    try {
        program = Compiler(pattern).Compile();
    } catch (const Unsupported&) {
        return std::nullopt;
    }
    Machine machine(program, text);
    LinearSearch result;
    const std::optional<Slots> first = machine.Search(0);
    if (!first) return result;
    result.matches = 1;
    const Slots& s = *first;
    result.first.found = true;
    if (s[2] >= 0 && s[3] >= 0) {
        result.first.group1Matched = true;
        result.first.group1 = text.substr(static_cast<std::size_t>(s[2]), static_cast<std::size_t>(s[3] - s[2]));
    }
    // A global search goes on after the match, one character further after an empty one.
    const std::size_t next = static_cast<std::size_t>(s[1] > s[0] ? s[1] : s[1] + 1);
    if (next <= text.size() && machine.Search(next)) result.matches = 2;
    return result;
}

}  // namespace tessarin
