# The portable Windows folder: besides the two programs, the DLLs they load
# and nothing else. Qt's from the Qt they were built with, the MinGW runtime
# from the compiler, Qt's Japanese translation (a .qm file is the same on
# every platform) from Debian's qt6-translations-l10n.
get_filename_component(qt_root "${Qt6_DIR}/../../.." ABSOLUTE)
install(FILES ${qt_root}/bin/Qt6Core.dll ${qt_root}/bin/Qt6Gui.dll ${qt_root}/bin/Qt6Widgets.dll DESTINATION .)
if(QUILNAVER_OFFICE)
  install(FILES ${qt_root}/bin/Qt6PrintSupport.dll DESTINATION .)
endif()
install(FILES ${qt_root}/plugins/platforms/qwindows.dll DESTINATION platforms)
if(EXISTS ${qt_root}/plugins/styles/qwindowsvistastyle.dll)
  install(FILES ${qt_root}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)
endif()

foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    find_file(path_${dll} ${dll} PATHS /usr/x86_64-w64-mingw32/lib /usr/lib/gcc/x86_64-w64-mingw32
              PATH_SUFFIXES 12-posix NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    set(path ${path_${dll}})
  endif()
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "The MinGW runtime ${dll} was not found")
  endif()
  install(FILES ${path} DESTINATION .)
endforeach()

set(QUILNAVER_QT_TRANSLATION /usr/share/qt6/translations/qtbase_ja.qm CACHE FILEPATH "Qt's Japanese translation")
if(EXISTS ${QUILNAVER_QT_TRANSLATION})
  install(FILES ${QUILNAVER_QT_TRANSLATION} DESTINATION translations)
endif()
