#include "pdf/escritor_pdf.h"

#include "pdf/compresor.h"
#include "pdf/salida_documento.h"
#include <cstdio>

namespace {
constexpr size_t kBloque = 64 * 1024;
}

EscritorPdf::EscritorPdf(SalidaDocumento& salida, Compresor& compresor)
    : salida_(salida), compresor_(compresor) {
    // The binary comment tells transfer programs the file is not text.
    buffer_.anade("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
}

int EscritorPdf::reserva() {
    offsets_.push_back(0);
    return int(offsets_.size());
}

BufferPdf& EscritorPdf::abre(int n) {
    offsets_[size_t(n) - 1] = escritos_ + buffer_.size();
    buffer_.entero(n);
    buffer_.anade(" 0 obj\n");
    return buffer_;
}

void EscritorPdf::cierra() {
    buffer_.anade("\nendobj\n");
    if (buffer_.size() >= kBloque) vuelca();
}

void EscritorPdf::stream(std::string_view datos, bool comprimir) {
    const std::string_view cuerpo = comprimir ? compresor_.comprime(datos) : datos;
    if (comprimir) buffer_.anade("/Filter /FlateDecode ");
    buffer_.anade("/Length ");
    buffer_.entero(static_cast<long long>(cuerpo.size()));
    buffer_.anade(" >>\nstream\n");
    if (cuerpo.size() >= kBloque) {
        vuelca();
        salida_.escribe(cuerpo.data(), cuerpo.size());
        escritos_ += cuerpo.size();
    } else {
        buffer_.anade(cuerpo);
    }
    buffer_.anade("\nendstream");
    cierra();
}

void EscritorPdf::termina(int catalogo, int info) {
    const uint64_t xref = escritos_ + buffer_.size();
    buffer_.anade("xref\n0 ");
    buffer_.entero(static_cast<long long>(offsets_.size() + 1));
    buffer_.anade("\n0000000000 65535 f \n");
    char linea[24];
    for (uint64_t o : offsets_) {
        std::snprintf(linea, sizeof linea, "%010llu 00000 n \n",
                      static_cast<unsigned long long>(o));
        buffer_.anade(std::string_view(linea, 20));
        if (buffer_.size() >= kBloque) vuelca();
    }
    buffer_.anade("trailer\n<< /Size ");
    buffer_.entero(static_cast<long long>(offsets_.size() + 1));
    buffer_.anade(" /Root ");
    buffer_.entero(catalogo);
    buffer_.anade(" 0 R /Info ");
    buffer_.entero(info);
    buffer_.anade(" 0 R >>\nstartxref\n");
    buffer_.entero(static_cast<long long>(xref));
    buffer_.anade("\n%%EOF\n");
    vuelca();
}

void EscritorPdf::vuelca() {
    if (buffer_.size() == 0) return;
    salida_.escribe(buffer_.datos().data(), buffer_.size());
    escritos_ += buffer_.size();
    buffer_.vacia();
}
