#pragma once

#include <QString>

// The cause of a failed system call, in Spanish and in the words a user understands
// ("el disco está lleno", "no hay permiso").
QString CausaSistema(int numeroError);
