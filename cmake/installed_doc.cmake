# A page of docs/ as it is installed beside the guide: pictures from outside docs/
# (../bench/results/relaunch.png) are installed into images/, and the links follow them.
# Usage: cmake -DIN=docs/performance.md -DOUT=performance.md -P installed_doc.cmake
file(READ ${IN} text)
string(REPLACE "](../bench/results/" "](images/" text "${text}")
file(WRITE ${OUT}.tmp "${text}")
file(RENAME ${OUT}.tmp ${OUT})
