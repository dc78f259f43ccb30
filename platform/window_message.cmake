# Window messages between threads and objects (QtCore only).
if(SONORIA_WITH_QT)
  add_library(sonoria_window_message STATIC window_message.cpp window_message.h)
  target_link_libraries(sonoria_window_message PUBLIC Qt6::Core)
  target_compile_definitions(sonoria_window_message PUBLIC QT_NO_CAST_FROM_ASCII
                             QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
  sonoria_target(sonoria_window_message)
endif()
