# Run at build time: one guide from Markdown (cmark-gfm, with tables) into a page of its own, whose
# links to the other guides lead to their HTML pages. CMARK, SOURCE, OUTPUT and LANGUAGE are given.
cmake_minimum_required(VERSION 3.25)
execute_process(
  COMMAND ${CMARK} --extension table --extension autolink --to html ${SOURCE}
  OUTPUT_VARIABLE body RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmark-gfm could not convert ${SOURCE}: ${result}")
endif()
string(REGEX REPLACE "href=\"([^\":/]+)\\.md\"" "href=\"\\1.html\"" body "${body}")
string(REGEX MATCH "<h1>([^<]*)</h1>" heading "${body}")
file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html lang=\"${LANGUAGE}\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${CMAKE_MATCH_1}</title>
<style>
body { max-width: 52em; margin: 1em auto; padding: 0 1em; font-family: sans-serif; line-height: 1.45; }
img { display: block; margin: 1em 0; }
table { border-collapse: collapse; }
th, td { border: 1px solid #aaa; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }
pre { background: #f3f3f3; padding: 0.5em; overflow-x: auto; }
</style>
</head>
<body>
${body}</body>
</html>
")
