#pragma once

#include "pdf/buffer_pdf.h"
#include <cstdint>
#include <string_view>
#include <vector>

class Compresor;
class SalidaDocumento;

// The file structure of one PDF: objects numbered as they are reserved and written in any order,
// each one's offset kept for the cross-reference table written at the end. Bytes go to the
// output in blocks; a failed write throws from the output where it happens.
class EscritorPdf {
  public:
    EscritorPdf(SalidaDocumento& salida, Compresor& compresor);

    int reserva(); // a new object number
    // Starts object n ("n 0 obj"); its dictionary or value is written with texto() and the
    // object is closed by cierra() or by stream().
    BufferPdf& abre(int n);
    void cierra();
    // Ends the open object's dictionary (begun with "<<" and holding its other keys) with
    // /Filter and /Length, then writes its data, deflated when comprimir, and closes the object.
    void stream(std::string_view datos, bool comprimir);
    // The cross-reference table and the trailer; flushes everything to the output.
    void termina(int catalogo, int info);

  private:
    void vuelca();
    SalidaDocumento& salida_;
    Compresor& compresor_;
    BufferPdf buffer_;
    uint64_t escritos_ = 0;         // bytes handed to the output
    std::vector<uint64_t> offsets_; // by object number - 1; 0: not written yet
};
