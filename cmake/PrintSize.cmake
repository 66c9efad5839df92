# Prints a built file's size, so a change that makes the program bigger is seen at once.
file(SIZE "${FILE}" bytes)
get_filename_component(name "${FILE}" NAME)
math(EXPR kib "(${bytes} + 512) / 1024")
message("${name}: ${bytes} bytes (${kib} KiB)")
