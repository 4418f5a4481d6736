file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GENERATOR} ${OUT} RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "draw_artwork failed")
endif()
foreach(pair "thumbs_up.bmp;src/ui/resources/thumbs_up.bmp" "app.ico;src/ui/resources/app.ico"
             "artwork_pixels.cpp;src/ui/artwork_pixels.cpp"
             "icon-16.png;src/ui/resources/icon-16.png" "icon-24.png;src/ui/resources/icon-24.png"
             "icon-32.png;src/ui/resources/icon-32.png" "icon-48.png;src/ui/resources/icon-48.png"
             "icon-128.png;src/ui/resources/icon-128.png" "icon.svg;src/ui/resources/icon.svg")
  list(GET pair 0 made)
  list(GET pair 1 committed)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${made} ${SOURCE}/${committed}
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${committed} differs from what tools/artwork/draw_artwork.cpp draws; "
                        "regenerate it with: hv_draw_artwork <folder> and copy the files over")
  endif()
endforeach()
