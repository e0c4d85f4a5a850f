#include "pdf/compresor.h"

#include <new>
#include <zlib.h>

struct Compresor::Estado {
    z_stream z{};
};

Compresor::Compresor() : estado_(std::make_unique<Estado>()) {
    if (deflateInit(&estado_->z, 1) != Z_OK) throw std::bad_alloc();
}

Compresor::~Compresor() {
    deflateEnd(&estado_->z);
}

std::string_view Compresor::comprime(std::string_view datos) {
    z_stream& z = estado_->z;
    deflateReset(&z);
    const uLong limite = deflateBound(&z, uLong(datos.size()));
    if (salida_.size() < limite) salida_.resize(limite);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(datos.data()));
    z.avail_in = uInt(datos.size());
    z.next_out = reinterpret_cast<Bytef*>(salida_.data());
    z.avail_out = uInt(salida_.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::bad_alloc();
    return {salida_.data(), size_t(z.total_out)};
}
