# TinyXML 2.6.2 from Debian's source package, unpacked by ./dev into third_party/
# and built here without TIXML_USE_STL.
set(TINYXML_DIR ${CMAKE_SOURCE_DIR}/third_party/tinyxml CACHE PATH "TinyXML 2.6.2 source")
if(EXISTS ${TINYXML_DIR}/tinyxml.cpp)
  add_library(tinyxml STATIC
    ${TINYXML_DIR}/tinyxml.cpp ${TINYXML_DIR}/tinyxmlerror.cpp
    ${TINYXML_DIR}/tinyxmlparser.cpp ${TINYXML_DIR}/tinystr.cpp)
  target_include_directories(tinyxml SYSTEM PUBLIC ${TINYXML_DIR})
  target_compile_options(tinyxml PRIVATE -w)
  # A copy patched to force the STL option back on would change every TinyXML signature.
  file(STRINGS ${TINYXML_DIR}/tinyxml.h _forced REGEX "^#define TIXML_USE_STL")
  if(_forced)
    message(FATAL_ERROR "${TINYXML_DIR}/tinyxml.h forces TIXML_USE_STL; rerun ./dev setup")
  endif()
else()
  message(WARNING "TinyXML source not found in ${TINYXML_DIR}: run ./dev setup")
endif()
