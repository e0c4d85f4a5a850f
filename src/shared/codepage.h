#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// Text read from a PRT file has one character per byte, decoded as Windows-1252 so that every byte
// maps to exactly one character and back (the five bytes Windows-1252 leaves undefined map to the
// C1 controls of the same value). The DOS code page says which characters those bytes really are.
class PaginasCodigo {
  public:
    // Builds the tables for a DOS code page given as a number ("850") or an iconv name ("IBM437").
    // Throws ErrorVelmor when iconv does not know it as a single-byte code page.
    explicit PaginasCodigo(const QString& paginaDos);

    // The pair in use: VELMOR_CP_DOS, or 850 (Spanish DOS) when it is not set. Built once; throws
    // ErrorVelmor on an unknown value every time it is asked for.
    static const PaginasCodigo& actuales();
    static QString paginaDosConfigurada();

    // File bytes to text.
    QString decodifica(QByteArrayView bytes) const;

    // Each character stands for a file byte; returns the character that byte is in the DOS page.
    QString aWindows(const QString& texto) const;
    // The byte that stands for `c` in the DOS page, or -1 when the page lacks it.
    int byteDos(QChar c) const { return byteDos_[c.unicode()]; }

  private:
    std::array<char16_t, 256> windows_{}; // byte -> Windows-1252 character
    std::array<char16_t, 256> dos_{};     // byte -> DOS character
    std::vector<int16_t> byteWindows_;    // character -> byte, -1 when none
    std::vector<int16_t> byteDos_;
};
