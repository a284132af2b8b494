import os

f = "/tmp/python-bench-file-io.txt"
chunk = "0123456789abcdef" * 65536
data = chunk * 100
with open(f, "w", encoding="utf-8") as h:
    h.write(data)
with open(f, encoding="utf-8") as h:
    text = h.read()
with open(f, "rb") as h:
    data_bytes = h.read()
with open(f, "wb") as h:
    h.write(data_bytes)
with open(f, "rb") as h:
    again = h.read()
print(len(text), len(again))
os.remove(f)
