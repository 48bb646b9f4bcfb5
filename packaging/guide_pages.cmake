# The installer's guides, Hungarian and English, as HTML pages made at build time from docs/ by
# guide_html.cmake, for the Debian package and the Windows setup program alike:
# kelvaro_guide_pages(FOLDER PAGES) makes FOLDER/kezikonyv.html and FOLDER/user-guide.html and names
# them in PAGES; KELVARO_GUIDE_PICTURES are the pictures they show, which go into images/ beside them.
find_program(KELVARO_CMARK cmark-gfm REQUIRED)
set(KELVARO_GUIDE_HTML ${CMAKE_CURRENT_LIST_DIR}/guide_html.cmake)
file(GLOB KELVARO_GUIDE_PICTURES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/images/*.png)
function(kelvaro_guide_pages folder pages_var)
  set(pages "")
  foreach(guide kezikonyv:hu user-guide:en)
    string(REPLACE ":" ";" guide ${guide})
    list(GET guide 0 name)
    list(GET guide 1 language)
    set(source ${PROJECT_SOURCE_DIR}/docs/${name}.md)
    set(page ${folder}/${name}.html)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DCMARK=${KELVARO_CMARK} -DSOURCE=${source} -DOUTPUT=${page}
        -DLANGUAGE=${language} -P ${KELVARO_GUIDE_HTML}
      DEPENDS ${source} ${KELVARO_GUIDE_HTML} VERBATIM)
    list(APPEND pages ${page})
  endforeach()
  set(${pages_var} ${pages} PARENT_SCOPE)
endfunction()
