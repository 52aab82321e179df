# Relaunch latency per tool, one point per relaunch; run in bench/results.
set terminal pngcairo size 1100,520 font ",10"
set output "relaunch.png"
set multiplot layout 1,2 title "Relaunch latency: the program's exit to its next start"
set logscale y
set format y "%g"
set ylabel "milliseconds (log scale)"
set xtics ("floor" 0, "keeper" 1, "supervisord" 2, "runsv" 3, "supervise" 4, "s6-supervise" 5) rotate by -20
set xrange [-0.6:5.6]
set grid ytics mytics
set key off
blocks = system("awk '$2 == \"rapid\" {printf \"%s \", $1}' relaunch.blocks")
set title "program exits at once (each tool's smallest pause)"
plot for [b in blocks] "relaunch.dat" index (b + 0) using 1:2 with points pt 7 ps 0.4
blocks = system("awk '$2 == \"long\" {printf \"%s \", $1}' relaunch.blocks")
set title "program runs 1.1 s, past the 1 s restart throttles"
plot for [b in blocks] "relaunch.dat" index (b + 0) using 1:2 with points pt 7 ps 0.4
unset multiplot
