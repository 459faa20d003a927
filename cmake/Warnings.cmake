# Strict warnings for the project's own targets.
function(tolva_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
