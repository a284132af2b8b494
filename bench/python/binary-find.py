b = bytearray(10000000)
b += b"\xde\xad\xbe\xef"
n = 0
i = 0
while i < 20:
    n = n + b.find(b"\xde\xad\xbe\xef") + 1
    i = i + 1
print(n)
