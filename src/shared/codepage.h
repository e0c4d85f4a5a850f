#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Character -> byte of a single-byte page: -1 when the page lacks it. In blocks of 256 characters,
// only those the page uses: a few kilobytes, where one table of every character takes 128 KB.
class InversaPagina {
  public:
    InversaPagina() = default;
    explicit InversaPagina(const std::array<char16_t, 256>& pagina);
    int operator[](char16_t c) const {
        const uint16_t n = bloque_[c >> 8];
        return n ? bloques_[n - 1][c & 0xFF] : -1;
    }

  private:
    std::array<uint16_t, 256> bloque_{}; // 1 + index in bloques_, 0: no character of the block
    std::vector<std::array<int16_t, 256>> bloques_;
};

// Text read from a PRT file has one character per byte, decoded as Windows-1252 so that every byte
// maps to exactly one character and back (the five bytes Windows-1252 leaves undefined map to the
// C1 controls of the same value). The DOS code page says which characters those bytes really are.
class PaginasCodigo {
  public:
    // The tables for a DOS code page given as a number ("850") or an iconv name ("IBM437");
    // nothing when iconv does not know it as a single-byte code page.
    static std::optional<PaginasCodigo> De(const QString& paginaDos);

    // The pair in use: VELMOR_CP_DOS, else the page chosen (ponElegida), else 850 (Spanish DOS);
    // null when that value is unknown. Each page is built once and kept for the whole run, so a
    // pointer stays good after another page is chosen.
    static const PaginasCodigo* configuradas();
    static QString paginaDosConfigurada();
    // The page the user chose (the window's settings, velmor-imprimir's --cp); VELMOR_CP_DOS
    // still overrides it unless `sobreEntorno` (an option given for this very run).
    static void ponElegida(const QString& paginaDos, bool sobreEntorno = false);
    // True when VELMOR_CP_DOS decides the page, whatever is chosen.
    static bool fijadaPorEntorno();
    // The DOS and Windows single-byte code pages iconv knows, as numbers ("437", "850"...).
    static QStringList conocidas();

    // File bytes to text.
    QString decodifica(QByteArrayView bytes) const;

    // Each character stands for a file byte; returns the character that byte is in the DOS page.
    QString aWindows(const QString& texto) const;

    // The byte that stands for the character in the DOS page; -1 when the page lacks it.
    int byteDos(QChar c) const { return byteDos_[c.unicode()]; }

  private:
    PaginasCodigo() = default;
    char16_t enDos(char16_t c) const; // one character of aWindows

    std::array<char16_t, 256> windows_{}; // byte -> Windows-1252 character
    std::array<char16_t, 256> dos_{};     // byte -> DOS character
    InversaPagina byteWindows_;           // character -> byte
    InversaPagina byteDos_;               // DOS character -> byte
    std::array<char16_t, 128> bajos_{};   // aWindows of the characters below 128
};
