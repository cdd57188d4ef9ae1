# Syntax colouring runs on KSyntaxHighlighting (Qt 5), used without an
# application object (QColor comes from Qt GUI, no display needed). Our theme
# is compiled in as a Qt resource.
find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui)
find_package(KF5SyntaxHighlighting REQUIRED)

target_sources(tarnwick_highlight PRIVATE ${CMAKE_SOURCE_DIR}/src/highlight/theme/highlight_theme.qrc)
set_target_properties(tarnwick_highlight PROPERTIES AUTORCC ON)
target_link_libraries(tarnwick_highlight PRIVATE KF5::SyntaxHighlighting Qt5::Gui Qt5::Core)
# Qt's emit, signals and slots would clash with ordinary names.
target_compile_definitions(tarnwick_highlight PRIVATE QT_NO_KEYWORDS)
