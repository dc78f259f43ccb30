# The settings store needs the special folders, which come from QtCore.
if(SONORIA_WITH_QT)
  add_library(sonoria_settings STATIC settings_store.cpp)
  target_link_libraries(sonoria_settings PUBLIC sonoria_settings_core sonoria_platform_ini
                                                sonoria_platform_qt sonoria_platform)
  sonoria_target(sonoria_settings)
endif()
