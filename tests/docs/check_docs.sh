#!/usr/bin/env bash
# The guides' links and pictures: every link and picture in the README and in docs/ leads to a file
# that exists; every picture in docs/images/ is shown by a guide; and the guides the package ships as
# HTML link only to each other and to their pictures, without anchors (the pages have none); and
# they print docs/examples/ser2net.yaml as it stands.
set -euo pipefail
shopt -s nullglob
cd "$1"
shipped=" docs/kezikonyv.md docs/user-guide.md "
failed=0
complain() {
  echo "$*"
  failed=1
}

shown=""
for page in README.md docs/*.md; do
  folder=$(dirname "$page")
  # Inline links and pictures, "](target)"; web addresses are not checked.
  for target in $(grep -o '](\([^)]*\))' "$page" | sed 's/^](//; s/)$//'); do
    [[ $target == *://* ]] && continue
    file=$(realpath -m --relative-to=. "$folder/${target%%#*}")
    [[ -e $file ]] || complain "$page: \"$target\" leads nowhere"
    [[ $file == docs/images/* ]] && shown+=" $file "
    if [[ $shipped == *" $page "* && $target != images/* && ($shipped != *" $file "* || $target == *#*) ]]; then
      complain "$page: \"$target\" is no page of the package's guides"
    fi
  done
done
for picture in docs/images/*; do
  [[ $shown == *" $picture "* ]] || complain "$picture is shown by no guide"
done
# The ser2net configuration the guides print is the one the network port's tests run.
for page in $shipped; do
  printed=$(awk '/^```yaml$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$page")
  [[ $printed == "$(cat docs/examples/ser2net.yaml)" ]] || complain "$page: its ser2net configuration is not docs/examples/ser2net.yaml"
done
if ((failed == 0)); then echo "docs: every link leads somewhere, every picture is shown, the ser2net configuration is the tested one"; fi
exit $failed
