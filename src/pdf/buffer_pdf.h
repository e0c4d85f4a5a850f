#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

// Bytes of PDF syntax being composed: numbers in the short form PDF readers expect, names and
// literal strings. Appending never allocates once the buffer has grown to its working size.
class BufferPdf {
  public:
    void anade(std::string_view s) { datos_.append(s); }
    void anade(char c) { datos_.push_back(c); }
    void entero(long long v) {
        char b[24];
        const auto r = std::to_chars(b, b + sizeof b, v);
        datos_.append(b, r.ptr);
    }
    // A real number with at most three decimals, trailing zeros dropped: 12, 0.5, -3.125.
    void decimal(double v) {
        long long milesimas = std::llround(v * 1000.0);
        if (milesimas < 0) {
            datos_.push_back('-');
            milesimas = -milesimas;
        }
        entero(milesimas / 1000);
        int resto = int(milesimas % 1000);
        if (resto == 0) return;
        char b[4] = {'.', char('0' + resto / 100), char('0' + resto / 10 % 10),
                     char('0' + resto % 10)};
        int n = 4;
        while (b[n - 1] == '0')
            --n;
        datos_.append(b, size_t(n));
    }
    // Two bytes of a glyph code (one for a simple font) inside a literal string, escaped where
    // the syntax needs it (a bare carriage return would be read as a line feed).
    void codigo(uint16_t c, bool unByte = false) { codigos(&c, 1, unByte); }
    // Many at once, written straight into the buffer: a page holds thousands.
    void codigos(const uint16_t* c, size_t n, bool unByte) {
        const size_t antes = datos_.size();
        datos_.resize(antes + n * 4); // room for every byte escaped
        char* p = datos_.data() + antes;
        const uint16_t* const fin = c + n;
        if (unByte) {
            for (; c != fin; ++c)
                p = escapado(char(*c & 0xff), p);
        } else {
            for (; c != fin; ++c)
                p = escapado(char(*c & 0xff), escapado(char(*c >> 8), p));
        }
        datos_.resize(size_t(p - datos_.data()));
    }
    // A literal string of Latin-1 or ASCII text.
    void cadena(std::string_view s) {
        datos_.push_back('(');
        for (char c : s)
            byte(c);
        datos_.push_back(')');
    }

    const std::string& datos() const { return datos_; }
    std::string& datos() { return datos_; }
    size_t size() const { return datos_.size(); }
    void vacia() { datos_.clear(); }

  private:
    // The bytes a literal string escapes: ( ) \ and CR.
    static constexpr std::array<bool, 256> kEscapa = [] {
        std::array<bool, 256> t{};
        t['('] = t[')'] = t['\\'] = t['\r'] = true;
        return t;
    }();
    static char* escapado(char c, char* p) {
        if (kEscapa[uint8_t(c)]) [[unlikely]] {
            *p++ = '\\';
            if (c == '\r') c = 'r';
        }
        *p++ = c;
        return p;
    }
    void byte(char c) {
        char b[2];
        datos_.append(b, escapado(c, b));
    }
    std::string datos_;
};
