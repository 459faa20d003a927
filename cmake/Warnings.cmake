# Strict warnings for the project's own targets (JUCE's library keeps its own quiet).
function(tolva_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
