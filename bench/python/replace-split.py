line = "alpha,beta,gamma,delta;"
text = line * 45000
n = 0
for _ in range(5):
    s = text.replace(",", "--")
    n = n + len(s)
    parts = text.split(",")
    n = n + len(parts)
print(n)
