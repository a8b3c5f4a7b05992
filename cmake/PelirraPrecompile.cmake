# Precompiled headers. Nearly every file of the game, its tests and its tools spends most of its
# compile time in the same standard, Qt and GoogleTest headers; each set is compiled once per
# build tree, by the first target that asks for it, and the other targets reuse it.
#
#   pelirra_precompile(TARGET [STD | QT | TEST])
#
# QT (the default) for the targets that link Qt, TEST for the tests (Qt and GoogleTest), STD for
# those without Qt. A target reusing a set must be compiled with the same flags as the target
# that made it (the compiler then warns, -Winvalid-pch, and CI fails): a loadable module, with
# its position-independent code, is left out. Off unless -DPELIRRA_PCH=ON: with the layered
# libraries, executables (-fPIE) and static libraries share few sets, and on this project the
# saving was about a tenth of the compile time.
#
# GCC 12 no longer treats the standard library's code as a system header's when it comes from a
# precompiled header, and reports its known false positives of -Warray-bounds,
# -Wstringop-overflow and their kin inside std::string's inlined copies (operator+ on
# temporaries): those warnings are off in the targets that use them, and stay on with
# -DPELIRRA_PCH=OFF.
option(PELIRRA_PCH "Precompile the headers most files include" OFF)

set(PELIRRA_PCH_STD <algorithm> <array> <chrono> <cstdint> <cstdio> <cstdlib> <cstring>
  <deque> <filesystem> <fstream> <functional> <map> <memory> <mutex> <optional> <set>
  <sstream> <string> <string_view> <thread> <vector>)
set(PELIRRA_PCH_QT ${PELIRRA_PCH_STD} <QAccessible> <QApplication> <QByteArray>
  <QCoreApplication> <QDir> <QEvent> <QFile> <QFileInfo> <QImage> <QKeyEvent> <QLabel>
  <QPainter> <QPushButton> <QString> <QTimer> <QWidget>)
set(PELIRRA_PCH_TEST ${PELIRRA_PCH_QT} <QTemporaryDir> <gtest/gtest.h>)

function(pelirra_precompile target)
  if(NOT PELIRRA_PCH)
    return()
  endif()
  set(kind QT)
  if(ARGC GREATER 1)
    set(kind ${ARGV1})
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow
      -Wno-stringop-overread -Wno-restrict)
  endif()
  get_property(owner GLOBAL PROPERTY PELIRRA_PCH_OWNER_${kind})
  if(owner)
    target_precompile_headers(${target} REUSE_FROM ${owner})
  else()
    target_precompile_headers(${target} PRIVATE ${PELIRRA_PCH_${kind}})
    set_property(GLOBAL PROPERTY PELIRRA_PCH_OWNER_${kind} ${target})
  endif()
endfunction()
