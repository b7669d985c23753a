# One INTERFACE target carries the warning and sanitizer flags; every target links it.
add_library(quenno_warnings INTERFACE)
target_compile_options(quenno_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
if(QUENNO_WERROR)
    target_compile_options(quenno_warnings INTERFACE -Werror)
endif()
if(QUENNO_SANITIZE)
    target_compile_options(quenno_warnings INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(quenno_warnings INTERFACE -fsanitize=address,undefined)
endif()
