#pragma once
// The program's name and version. Both are declared once, in the project's
// CMakeLists.txt, and reach the code as compile definitions; main() hands
// them to QCoreApplication as well.

#include <QString>

#ifndef ORVIK_PROGRAM_NAME
#error "ORVIK_PROGRAM_NAME comes from CMakeLists.txt"
#endif

inline QString ProgramName() {
    return QStringLiteral(ORVIK_PROGRAM_NAME);
}

inline QString ProgramVersion() {
    return QStringLiteral(ORVIK_PROGRAM_VERSION);
}
