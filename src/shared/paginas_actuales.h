#pragma once

#include "shared/codepage.h"

// The code pages in use; throws ErrorVelmor on an unknown value every time it is asked for, so a
// wrong VELMOR_CP_DOS, --cp or setting stops the job that needs it.
const PaginasCodigo& PaginasActuales();
// The tables of a page given by number or iconv name; throws ErrorVelmor when iconv lacks it.
PaginasCodigo PaginasDe(const QString& paginaDos);
