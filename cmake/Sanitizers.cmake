# The sanitizer build chosen with TOLVA_SANITIZE.
#   address: AddressSanitizer and UndefinedBehaviorSanitizer on the project's own code. JUCE's modules
#            stay uninstrumented: instrumenting them costs minutes per build (gui_basics alone takes
#            about six) and finds nothing of ours, and uninstrumented they compile to the same objects
#            as in the normal build, so the compiler cache shares them between the two trees.
#            The project's code is compiled at -O1 there, the level ASan recommends: at -O2 its
#            instrumented objects took about 45% longer to compile.
#   thread:  ThreadSanitizer on everything, JUCE included: TSan reports false races on memory that
#            uninstrumented code touches.
set(TOLVA_SANITIZER_COMPILE_FLAGS "")
set(TOLVA_SANITIZER_LINK_FLAGS "")
set(TOLVA_SANITIZE_JUCE OFF)
if(TOLVA_SANITIZE STREQUAL "address")
    set(TOLVA_SANITIZER_COMPILE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-O1>)
    set(TOLVA_SANITIZER_LINK_FLAGS -fsanitize=address,undefined)
elseif(TOLVA_SANITIZE STREQUAL "thread")
    set(TOLVA_SANITIZER_COMPILE_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
    set(TOLVA_SANITIZER_LINK_FLAGS -fsanitize=thread)
    set(TOLVA_SANITIZE_JUCE ON)
elseif(NOT TOLVA_SANITIZE STREQUAL "")
    message(FATAL_ERROR "TOLVA_SANITIZE is \"${TOLVA_SANITIZE}\": use address, thread or leave it empty")
endif()
