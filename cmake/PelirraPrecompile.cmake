# Precompiled headers. Nearly every file of the game, its tests and its tools spends most of its
# compile time in the same standard, Qt and GoogleTest headers; each set is compiled once per
# build tree, by the first target that asks for it, and the other targets reuse it.
#
#   pelirra_precompile(TARGET [STD | QT | TEST])
#
# QT (the default) for the targets that link Qt Widgets, TEST for the tests (Qt and GoogleTest),
# TOOL for the story tools' library (Qt Gui only), STD for those without Qt. A target reusing a
# set must be compiled with the same flags and definitions as the target that made it (else the
# compiler warns, -Winvalid-pch, and CI fails): targets with other flags (a loadable module, with
# its position-independent code; FluidSynth's _DEFAULT_SOURCE; the tools' small executables) are
# left out. On by default: a build from nothing takes about a third less time (-DPELIRRA_PCH=OFF
# turns them off).
option(PELIRRA_PCH "Precompile the headers most files include" ON)

set(PELIRRA_PCH_STD <algorithm> <array> <chrono> <cstdint> <cstdio> <cstdlib> <cstring>
  <deque> <filesystem> <fstream> <functional> <map> <memory> <mutex> <optional> <set>
  <sstream> <string> <string_view> <thread> <vector>)
set(PELIRRA_PCH_QT ${PELIRRA_PCH_STD} <QAccessible> <QApplication> <QByteArray>
  <QCoreApplication> <QDir> <QEvent> <QFile> <QFileInfo> <QImage> <QKeyEvent> <QLabel>
  <QPainter> <QPushButton> <QString> <QTimer> <QWidget>)
set(PELIRRA_PCH_TEST ${PELIRRA_PCH_QT} <QTemporaryDir> <gtest/gtest.h>)
set(PELIRRA_PCH_TOOL ${PELIRRA_PCH_STD} <QByteArray> <QString>)

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
