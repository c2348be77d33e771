# The simulated cameras (stream servers, relay, rendezvous and the media they make), part of
# nimbrel_sim_lib. H.264 and AAC come from libavcodec (libx264 and its native AAC encoder),
# Speex from libspeex, UDT from libudt.
if(NOT TARGET PkgConfig::FFMPEG)
  pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavcodec libavutil libswscale)
endif()
pkg_check_modules(SPEEX REQUIRED IMPORTED_TARGET speex)
find_library(UDT_LIB udt REQUIRED)

file(GLOB sim_camera_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
target_sources(nimbrel_sim_lib PRIVATE ${sim_camera_sources})
target_link_libraries(nimbrel_sim_lib PUBLIC PkgConfig::FFMPEG PkgConfig::SPEEX ${UDT_LIB})
