import csv
import io

rows = [["alpha", "beta, gamma", 12345, 'say "hi"', "x"] for _ in range(250000)]
out = io.StringIO()
csv.writer(out, lineterminator="\n").writerows(rows)
print(len(out.getvalue()))
