# One gate for every target of the project: the warnings we keep at zero and
# Qt's strict defines. Each target links ekowarta_strict; CI builds with
# EKOWARTA_WERROR=ON, so a new warning stops the build there.
option(EKOWARTA_WERROR "Treat compiler warnings as errors" OFF)

add_library(ekowarta_strict INTERFACE)
# Test and benchmark targets set this to compare with plain literals.
define_property(TARGET PROPERTY EKOWARTA_TEST_CODE BRIEF_DOCS "test or benchmark code" FULL_DOCS "Test and benchmark code may build a QString from a string literal.")
target_compile_options(ekowarta_strict INTERFACE
    -Wall -Wextra -Wno-unused-parameter
    $<$<BOOL:${EKOWARTA_WERROR}>:-Werror>)
# Program code never turns 8-bit text into a QString behind our back (every
# file and every message decides its encoding); tests may compare with plain
# literals, which Qt's restricted mode still allows.
target_compile_definitions(ekowarta_strict INTERFACE
    QT_NO_KEYWORDS
    QT_NO_CONTEXTLESS_CONNECT
    $<IF:$<BOOL:$<TARGET_PROPERTY:EKOWARTA_TEST_CODE>>,QT_RESTRICTED_CAST_FROM_ASCII,QT_NO_CAST_FROM_ASCII>)
