# Sources of the bank facade and the style event filter join the core library here.
target_sources(ry7core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CNstEditIfc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CNstEditIfcTransfer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CStyleMsgFilter.cpp
)
