# Artwork is drawn as SVG under skins/ and rendered by the build.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(IMAGEMAGICK_CONVERT convert REQUIRED)

# tovrin_render_icon(<svg> <ico>): a multi-size Windows icon.
function(tovrin_render_icon svg ico)
  set(pngs)
  foreach(size 16 24 32 48 256)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
    list(APPEND pngs ${png})
    add_custom_command(OUTPUT ${png}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${svg} -o ${png}
      DEPENDS ${svg} VERBATIM)
  endforeach()
  add_custom_command(OUTPUT ${ico}
    COMMAND ${IMAGEMAGICK_CONVERT} ${pngs} ${ico}
    DEPENDS ${pngs} VERBATIM)
endfunction()
