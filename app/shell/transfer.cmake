# The one-file import and export steps join the shell library here, for the window and the command-line tool.
target_sources(ry7shell PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CStyleRanges.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CStyleTransfer.cpp
)
