#include "format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "units.h"

namespace tvk::io {

namespace {

using Node = Format::Node;

constexpr int max_number = 32767;  // largest width, count or position a format may hold

inline bool digit(char c) { return c >= '0' && c <= '9'; }
inline char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// ---- parsing -------------------------------------------------------------------------------

struct Parser {
    std::string_view f;
    std::size_t p = 0;
    bool bad = false;

    void skip() {
        while (p < f.size() && (f[p] == ' ' || f[p] == '\t')) ++p;
    }
    char peek() {
        skip();
        return p < f.size() ? upper(f[p]) : 0;
    }
    // An unsigned number at p, or -1 when no digit stands there.
    int number() {
        skip();
        if (p >= f.size() || !digit(f[p])) return -1;
        long v = 0;
        while (p < f.size() && digit(f[p])) {
            v = v * 10 + (f[p++] - '0');
            if (v > max_number) bad = true, v = max_number;
        }
        return static_cast<int>(v);
    }

    std::vector<Node> list(bool top) {
        std::vector<Node> out;
        for (;;) {
            const char c = peek();
            if (c == 0) {
                bad = true;  // a missing right parenthesis
                return out;
            }
            if (c == ')') {
                ++p;
                return out;
            }
            if (c == ',') {
                ++p;
                continue;
            }
            Node n;
            if (!item(n)) {
                bad = true;
                return out;
            }
            out.push_back(std::move(n));
        }
    }

    bool item(Node& n) {
        int sign = 1;
        char c = peek();
        if (c == '-' || c == '+') {  // only a scale factor takes a sign
            sign = c == '-' ? -1 : 1;
            ++p;
            const int k = number();
            if (k < 0 || peek() != 'P') return false;
            ++p;
            n.kind = 'P';
            n.rep = sign * k;
            return true;
        }
        const int count = number();
        c = peek();
        if (c == 0) return false;
        ++p;
        switch (c) {
            case '(':
                n.kind = '(';
                n.rep = count < 0 ? 1 : count;
                n.kids = list(false);
                return n.rep > 0 && !bad;
            case '\'':
            case '"': {
                if (count >= 0) return false;
                n.kind = '\'';
                for (;;) {
                    if (p >= f.size()) return false;
                    if (f[p] == c) {
                        if (p + 1 < f.size() && f[p + 1] == c) {
                            n.text += c;
                            p += 2;
                            continue;
                        }
                        ++p;
                        return true;
                    }
                    n.text += f[p++];
                }
            }
            case '/':
                n.kind = '/';
                n.rep = count < 0 ? 1 : count;
                return n.rep > 0;
            case 'X':
                n.kind = 'X';
                n.rep = count < 0 ? 1 : count;
                return true;
            case 'P':
                if (count < 0) return false;
                n.kind = 'P';
                n.rep = count;
                return true;
            case 'T': {
                if (count >= 0) return false;
                const char t = peek();
                if (t == 'L' || t == 'R') ++p;
                n.kind = t == 'L' ? 'L' : t == 'R' ? 'R' : 'T';
                n.rep = number();
                return n.rep >= (n.kind == 'T' ? 1 : 0);
            }
            case 'I':
            case 'F':
            case 'E':
            case 'D':
            case 'A': {
                n.kind = c;
                n.rep = count < 0 ? 1 : count;
                if (n.rep < 1) return false;
                n.w = number();
                if (c == 'A') return true;
                if (n.w < 0) return false;
                if (peek() == '.') {
                    ++p;
                    n.d = number();
                    if (n.d < 0) return false;
                } else if (c != 'I') {
                    return false;
                }
                if (c == 'E' && peek() == 'E') {
                    ++p;
                    n.e = number();
                    if (n.e < 1) return false;
                }
                return (c == 'I' || c == 'F') || n.w > 0;
            }
            default:
                return false;
        }
    }
};

// ---- numbers -------------------------------------------------------------------------------

std::string printf_num(const char* spec, int prec, double x) {
    char small[64];
    const int need = std::snprintf(small, sizeof small, spec, prec, x);
    if (need < static_cast<int>(sizeof small)) return std::string(small, need);
    std::string big(static_cast<std::size_t>(need) + 1, '\0');
    std::snprintf(big.data(), big.size(), spec, prec, x);
    big.resize(static_cast<std::size_t>(need));
    return big;
}

std::string stars(int w) { return std::string(w > 0 ? w : 0, '*'); }

// Right-justifies s in w characters, or w asterisks when it does not fit (w 0: as it is).
std::string fit(std::string s, int w) {
    if (w == 0) return s;
    if (s.size() > static_cast<std::size_t>(w)) return stars(w);
    return std::string(w - s.size(), ' ') + s;
}

std::string infnan(double x, int w) {
    if (std::isnan(x)) return w == 0 ? "NaN" : w < 3 ? stars(w) : fit("NaN", w);
    const bool neg = std::signbit(x);
    if (w == 0) return neg ? "-Infinity" : "Infinity";
    if (w < 3 || (neg && w == 3)) return stars(w);
    std::string s = w > (neg ? 8 : 7) ? "Infinity" : "Inf";
    return fit(neg ? "-" + s : s, w);
}

std::string edit_i(long long v, int w, int m) {
    unsigned long long a = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    std::string digits = m == 0 && a == 0 ? std::string() : std::to_string(a);
    if (m > 0 && digits.size() < static_cast<std::size_t>(m)) digits.insert(0, m - digits.size(), '0');
    return fit((v < 0 ? "-" : "") + digits, w);
}

// A number whose leading "0" before the point may be dropped when room is short.
std::string fit_optional_zero(const std::string& sign, std::string body, bool zero_optional, int w) {
    std::string s = sign + body;
    if (w > 0 && s.size() > static_cast<std::size_t>(w) && zero_optional) s = sign + body.substr(1);
    return fit(s, w);
}

std::string edit_f(double x, int w, int d, int k) {
    if (!std::isfinite(x)) return infnan(x, w);
    const bool neg = std::signbit(x);
    double y = std::fabs(x);
    if (k != 0) y *= std::pow(10.0, k);
    std::string body = printf_num("%.*f", d, y);
    if (d == 0) body += '.';
    const bool zero_optional = body.size() > 2 && body[0] == '0' && body[1] == '.';
    if (w == 0 && zero_optional) body.erase(0, 1);
    return fit_optional_zero(neg ? "-" : "", body, zero_optional, w);
}

std::string edit_e(double x, int w, int d, int e, int k, char letter) {
    if (!std::isfinite(x)) return infnan(x, w);
    // Significant digits: d + k for k <= 0 (k zeros after the point first), d + 1 for k > 0.
    const int nsig = k <= 0 ? d + k : d + 1;
    if (nsig < 1 || (k > 0 && k > d + 1)) return stars(w);
    const bool neg = std::signbit(x);
    const double y = std::fabs(x);
    std::string digits;
    int expo = 0;
    if (y == 0.0) {
        digits.assign(nsig, '0');
        expo = k <= 0 ? 0 : k;  // printed exponent 0 whatever the scale
    } else {
        const std::string s = printf_num("%.*e", nsig - 1, y);
        const std::size_t epos = s.find('e');
        for (std::size_t i = 0; i < epos; ++i)
            if (digit(s[i])) digits += s[i];
        expo = std::atoi(s.c_str() + epos + 1) + 1;  // value = 0.digits x 10^expo
    }
    const int shown = expo - k;
    std::string mant;
    if (k <= 0) mant = "0." + std::string(-k, '0') + digits;
    else mant = digits.substr(0, k) + "." + digits.substr(k);
    const int ae = shown < 0 ? -shown : shown;
    const std::string ad = std::to_string(ae);
    const char sg = shown < 0 ? '-' : '+';
    std::string ex;
    if (e > 0) {
        if (ad.size() > static_cast<std::size_t>(e)) return stars(w);
        ex = std::string(1, letter) + sg + std::string(e - ad.size(), '0') + ad;
    } else if (ae <= 99) {
        ex = std::string(1, letter) + sg + (ae < 10 ? "0" : "") + ad;
    } else if (ae <= 999) {
        ex = std::string(1, sg) + ad;
    } else {
        return stars(w);
    }
    return fit_optional_zero(neg ? "-" : "", mant + ex, k <= 0, w);
}

std::string edit_a(std::string_view s, int w) {
    if (w < 0 || static_cast<std::size_t>(w) == s.size()) return std::string(s);
    if (s.size() > static_cast<std::size_t>(w)) return std::string(s.substr(0, w));
    return std::string(w - s.size(), ' ') + std::string(s);
}

// ---- execution -----------------------------------------------------------------------------

struct Exec {
    const FmtItem* items = nullptr;
    std::size_t n = 0;
    std::size_t next = 0;
    std::vector<std::string> out;
    std::string rec;
    std::size_t pos = 0;  // 0-based column of the next character
    int scale = 0;
    bool stop = false, error = false;

    void put(const std::string& s) {
        if (rec.size() < pos) rec.append(pos - rec.size(), ' ');
        rec.replace(pos, std::min(s.size(), rec.size() - pos), s);
        pos += s.size();
    }
    void end_record() {
        out.push_back(std::move(rec));
        rec.clear();
        pos = 0;
    }

    void data(const Node& nd) {
        if (next >= n) {
            stop = true;
            return;
        }
        const FmtItem& it = items[next++];
        using K = FmtItem::Kind;
        switch (nd.kind) {
            case 'I':
                if (it.kind != K::integer) break;
                put(edit_i(it.i, nd.w, nd.d));
                return;
            case 'F':
                if (it.kind != K::real) break;
                put(edit_f(it.r, nd.w, nd.d, scale));
                return;
            case 'E':
            case 'D':
                if (it.kind != K::real) break;
                put(edit_e(it.r, nd.w, nd.d, nd.e, scale, nd.kind));
                return;
            case 'A':
                if (it.kind != K::text) break;
                put(edit_a(it.s, nd.w));
                return;
        }
        error = stop = true;
    }

    void run(const std::vector<Node>& nodes, std::size_t from) {
        for (std::size_t i = from; i < nodes.size() && !stop; ++i) {
            const Node& nd = nodes[i];
            switch (nd.kind) {
                case '(':
                    for (int r = 0; r < nd.rep && !stop; ++r) run(nd.kids, 0);
                    break;
                case 'I':
                case 'F':
                case 'E':
                case 'D':
                case 'A':
                    for (int r = 0; r < nd.rep && !stop; ++r) data(nd);
                    break;
                case '\'':
                    put(nd.text);
                    break;
                case 'X':
                case 'R':
                    pos += nd.rep;
                    break;
                case 'L':
                    pos = pos > static_cast<std::size_t>(nd.rep) ? pos - nd.rep : 0;
                    break;
                case 'T':
                    pos = static_cast<std::size_t>(nd.rep - 1);
                    break;
                case 'P':
                    scale = nd.rep;
                    break;
                case '/':
                    for (int r = 0; r < nd.rep; ++r) end_record();
                    break;
            }
        }
    }
};

}  // namespace

Format::Format(std::string_view fmt) {
    Parser ps{fmt};
    if (ps.peek() != '(') return;
    ++ps.p;
    nodes_ = ps.list(true);
    ps.skip();
    valid_ = !ps.bad && ps.p == fmt.size();
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].kind == '(') revert_ = i;
}

bool Format::records(const FmtItem* items, std::size_t n, std::vector<std::string>& records) const {
    if (!valid_) return false;
    Exec x;
    x.items = items;
    x.n = n;
    x.run(nodes_, 0);
    while (!x.stop && x.next < n) {
        const std::size_t before = x.next;
        x.end_record();
        x.run(nodes_, revert_);
        if (x.next == before && !x.stop) return false;  // nothing left that takes an item
    }
    if (x.error) return false;
    x.end_record();
    for (auto& r : x.out) records.push_back(std::move(r));
    return true;
}

std::string format(std::string_view fmt, std::initializer_list<FmtItem> items) {
    std::vector<std::string> recs;
    if (!Format(fmt).records(items, recs)) return {};
    std::string s;
    for (std::size_t i = 0; i < recs.size(); ++i) {
        if (i) s += '\n';
        s += recs[i];
    }
    return s;
}

int write_formatted(int unit, const Format& fmt, std::initializer_list<FmtItem> items) {
    std::vector<std::string> recs;
    if (!fmt.records(items, recs)) return err_format;
    for (const auto& r : recs)
        if (int s = write_record(unit, r)) return s;
    return ok;
}

}  // namespace tvk::io
