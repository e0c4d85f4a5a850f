#pragma once

#include <QChar>
#include <array>
#include <cstdint>

class PaginasCodigo;

// The character international set `juego` (ESC R n) prints for a byte of the lower half: the
// byte's own ASCII character unless the set replaces it (or the set is unknown).
QChar CaracterNacional(int juego, uint8_t byte);

// The characters an Epson printer prints for the bytes of a file: the lower half as the
// international character set (ESC R n) has it, the upper half from the character table in use
// (ESC t n): italics of the lower half, or a DOS code page.
class JuegoEscP {
  public:
    // The upper half from `pagina` (the DOS code page the files are written in).
    explicit JuegoEscP(const PaginasCodigo& pagina);

    // ESC R n: USA 0, France 1, Germany 2, UK 3, Denmark I 4, Sweden 5, Italy 6, Spain I 7,
    // Japan 8, Norway 9, Denmark II 10, Spain II 11, Latin America 12, Korea 13, Legal 64. Any
    // other number leaves the set as it is.
    void ponInternacional(int n);
    // ESC t n: 0 italics, 1 (and 2, 3) the code page table. ponPagina gives that table another
    // code page (ESC ( t).
    void ponTabla(int n);
    void ponPagina(const PaginasCodigo& pagina);

    // The character for the byte, and whether the table prints it in italics.
    QChar caracter(uint8_t byte) const;
    bool cursivaDeTabla(uint8_t byte) const { return byte >= 0x80 && tablaCursiva_; }

  private:
    std::array<char16_t, 12> nacionales_{}; // # $ @ [ \ ] ^ ` { | } ~ in the set in use
    std::array<char16_t, 128> superior_{};  // 0x80..0xFF in the code page table
    bool tablaCursiva_ = false;
};
