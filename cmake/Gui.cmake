# The window program: window classes from the folders named "ui", the executable,
# the GUI tests' library and the headless window benchmark.
file(GLOB_RECURSE UI_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/*/ui/*.cpp ${CMAKE_SOURCE_DIR}/src/*/ui/*.h)
add_library(quillory_ui STATIC ${UI_SOURCES})
set_target_properties(quillory_ui PROPERTIES AUTOMOC ON)
target_link_libraries(quillory_ui PUBLIC quillory_core Qt6::Widgets Qt6::Network Qt6::PrintSupport)

add_executable(quillory ${CMAKE_SOURCE_DIR}/src/gui_main.cpp)
target_link_libraries(quillory PRIVATE quillory_ui)

# Built with the project, run by hand or by scripts/bench, never by the tests.
add_executable(window_bench ${CMAKE_SOURCE_DIR}/bench/window_bench.cpp)
set_target_properties(window_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_link_libraries(window_bench PRIVATE quillory_ui)
