import csv
import io

row = 'alpha,"beta, gamma",12345,"say ""hi""",x\r\n'
text = row * 250000
rows = list(csv.reader(io.StringIO(text, newline="")))
print(len(rows))
