# Precompiled headers: most of a translation unit's compile time here is Qt's and
# GoogleTest's headers, parsed again by every file; a CI run on two cores cannot afford that.
# Three headers are compiled, once each, by small host targets, and every library and test
# of their kind reuses one. Each kind lists only what its layer may include, so a Core-only
# library still cannot lean on a Gui header it never names.
option(SONAVEL_PCH "Precompile the common Qt, standard and test headers" ON)

set(SONAVEL_PCH_CORE
  <algorithm> <atomic> <chrono> <cmath> <cstdint> <cstring> <functional> <memory> <mutex>
  <optional> <string> <thread> <utility> <vector>
  <QByteArray> <QCoreApplication> <QDir> <QFile> <QFileInfo> <QObject> <QProcess>
  <QRegularExpression> <QString> <QStringList> <QThread> <QTimer>)
set(SONAVEL_PCH_WIDGETS
  <QApplication> <QCheckBox> <QComboBox> <QGroupBox> <QImage> <QKeyEvent> <QLabel>
  <QLineEdit> <QMenu> <QMouseEvent> <QPainter> <QPushButton> <QTreeWidget> <QWidget>)

# A host compiles the header with the Qt modules every one of its users links: GCC refuses
# a header made with a macro (QT_*_LIB) its user does not define, and -Winvalid-pch (an
# error in CI) says so.
function(sonavel_pch_host name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "HEADERS;LIBRARIES")
  add_library(${name} OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch_host.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF)
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  target_precompile_headers(${name} PRIVATE ${arg_HEADERS})
endfunction()

if(SONAVEL_PCH)
  sonavel_pch_host(sonavel_pch_core HEADERS ${SONAVEL_PCH_CORE} LIBRARIES Qt6::Core)
  sonavel_pch_host(sonavel_pch_widgets HEADERS ${SONAVEL_PCH_CORE} ${SONAVEL_PCH_WIDGETS}
    LIBRARIES Qt6::Widgets)
endif()

# sonavel_precompile(TARGET core|widgets|tests); tests/CMakeLists.txt makes the tests' host.
function(sonavel_precompile target kind)
  if(SONAVEL_PCH)
    target_precompile_headers(${target} REUSE_FROM sonavel_pch_${kind})
  endif()
endfunction()
