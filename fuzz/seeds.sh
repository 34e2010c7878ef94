#!/usr/bin/env bash
# seeds.sh <working corpus folder> <size cap in bytes>: adds to an XML fuzz target's corpus
# the seeds too big to keep in the repository: elements nested one level past the
# loaders' depth guard (common/XmlFile's kMaxXmlDepth, 128) and 60,000 levels deep (enough
# to exhaust a thread's stack in the library's recursive parser), plain and hidden, and the corpus's
# largest document padded with a comment to one byte under the size cap of what the
# target reads.
set -euo pipefail
folder=$1
cap=$2

nested() {  # nested <depth> <closed|open>
  local open close
  open=$(printf '<a>%.0s' $(seq "$1"))
  close=""
  [ "$2" = closed ] && close=$(printf '</a>%.0s' $(seq "$1"))
  printf '<?xml version="1.0"?>\n<r>%s%s</r>\n' "$open" "$close"
}
nested 129 closed >"$folder/generated_depth_129.xml"
nested 60000 open >"$folder/generated_depth_60000.xml"
# The same depth behind markup that a guard reading by rules of its own would skip: a
# quoted '>' in a declaration before a comment or CDATA opener, in either case and
# inside the root, and character references that swallow end tags.
deep=$(printf '<a>%.0s' $(seq 60000))
printf '<?xml version="><!--" ?>%s' "$deep" >"$folder/generated_declaration_comment.xml"
printf "<?xml encoding='><![CDATA['?>%s" "$deep" >"$folder/generated_declaration_cdata.xml"
printf '<?XML version="><!--" ?>%s' "$deep" >"$folder/generated_declaration_upper_case.xml"
printf '<r><?xml version="><!--" ?>%s' "$deep" >"$folder/generated_declaration_inside_root.xml"
printf '<r>%s' "$(printf '<a>&#</a>#1;%.0s' $(seq 60000))" >"$folder/generated_entity_end_tags.xml"

largest=$(find "$folder" -maxdepth 1 -type f -name '*.xml' ! -name 'generated_*' -printf '%s %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
[ -n "$largest" ] || exit 0
size=$(stat -c %s "$largest")
padding=$((cap - 1 - size - 7))  # "<!--" and "-->"
{
  cat "$largest"
  printf '<!--'
  head -c "$padding" /dev/zero | tr '\0' 'x'
  printf -- '-->'
} >"$folder/generated_near_cap.xml"
