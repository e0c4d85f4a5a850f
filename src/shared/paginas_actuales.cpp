#include "shared/paginas_actuales.h"

#include "shared/error.h"

namespace {
ErrorVelmor Desconocida(const QString& pagina) {
    return ErrorVelmor(ErrorVelmor::PaginaCodigosDesconocida,
                       QString("Página de códigos DOS desconocida: «%1» (VELMOR_CP_DOS, --cp y "
                               "«Configuración» admiten una página de un byte como 437, "
                               "850 o 858)")
                           .arg(pagina));
}
} // namespace

const PaginasCodigo& PaginasActuales() {
    if (const PaginasCodigo* paginas = PaginasCodigo::configuradas()) return *paginas;
    throw Desconocida(PaginasCodigo::paginaDosConfigurada());
}

PaginasCodigo PaginasDe(const QString& paginaDos) {
    if (auto paginas = PaginasCodigo::De(paginaDos)) return std::move(*paginas);
    throw Desconocida(paginaDos);
}
