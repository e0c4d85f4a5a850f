#include "printing/pdf/compresor.h"

#include <libdeflate.h>
#include <new>

Compresor::Compresor() : c_(libdeflate_alloc_compressor(1)) {
    if (!c_) throw std::bad_alloc();
}

Compresor::~Compresor() {
    libdeflate_free_compressor(c_);
}

std::string_view Compresor::comprime(std::string_view datos) {
    const size_t limite = libdeflate_zlib_compress_bound(c_, datos.size());
    if (salida_.size() < limite) salida_.resize(limite);
    const size_t n =
        libdeflate_zlib_compress(c_, datos.data(), datos.size(), salida_.data(), salida_.size());
    return {salida_.data(), n};
}
